// One running designer per session. The first start listens on a local
// socket; a later start connects, sends its argument (a database path, or
// nothing) and waits for the first to take it or turn it down. A session is
// one user on one display with one settings folder: the socket's name
// carries all three, and the first checks them again on every hand-over, so a
// start on another display or with another home folder never reaches it. A
// socket left behind by a crashed program answers nobody and is removed.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace qrv::util {

class SingleInstance final : public QObject {
    Q_OBJECT
  public:
    // name: the socket's name; session: who may hand over (SessionKey()).
    SingleInstance(QString name, QString session, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True: this is the first instance and now listens. False: another one
    // runs and was sent `message`; refusal() tells whether it took it.
    bool claim(const QString& message, int timeoutMs = 1000);
    bool listening() const;
    const QString& name() const { return name_; }
    // After claim() answered false: why the running one turned the message
    // down, for the user; empty when it took it.
    const QString& refusal() const { return refusal_; }

    // Asked for every hand-over from this session: a reason to turn it down
    // now, or nothing to take it.
    void setGate(std::function<QString()> gate) { gate_ = std::move(gate); }

    // The user, the display and the settings folder, as one text.
    static QString SessionKey(const QString& settingsFolder);
    // A socket name for the application in that session.
    static QString DefaultName(const QString& application, const QString& session);

  signals:
    // A later start's argument, once taken.
    void messageReceived(const QString& message);

  private:
    bool sendToRunning(const QString& message, int timeoutMs);
    void acceptConnections();
    void answer(QLocalSocket* socket);
    QString name_, session_, refusal_;
    std::function<QString()> gate_;
    QLocalServer* server_ = nullptr;
};

}  // namespace qrv::util
