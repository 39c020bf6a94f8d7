// One running designer per user. The first start listens on a local socket;
// a later start connects, sends its argument (a database path, or nothing)
// and exits, and the first raises its window and opens that database. A
// socket left behind by a crashed program answers nobody and is removed.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace qrv::util {

class SingleInstance final : public QObject {
    Q_OBJECT
  public:
    // name: the socket's name; DefaultName() gives one per user.
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True: this is the first instance and now listens. False: another one
    // runs and has been sent `message`.
    bool claim(const QString& message, int timeoutMs = 1000);
    bool listening() const;
    const QString& name() const { return name_; }

    static QString DefaultName(const QString& application);

  signals:
    // A later start's argument, once it has been received whole.
    void messageReceived(const QString& message);

  private:
    bool sendToRunning(const QString& message, int timeoutMs);
    void acceptConnections();
    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace qrv::util
