#include "util/single_instance.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>

namespace qrv::util {

namespace {

// Starts every hand-over and every answer, so that anything else on the
// socket is never taken for one.
constexpr quint32 kMagic = 0x51525648;  // "QRVH"
// How long a later start waits for the first to answer: it may be busy.
constexpr int kAnswerMs = 10000;

QDataStream& prepared(QDataStream& s) {
    s.setVersion(QDataStream::Qt_6_0);
    return s;
}

// The peer runs as this user. The socket file admits only its owner anyway;
// this holds even where the file's mode is not enforced.
bool samePeerUser(QLocalSocket* socket) {
#if defined(SO_PEERCRED)
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                     &size) != 0)
        return false;
    return peer.uid == ::getuid();
#else
    (void)socket;
    return true;
#endif
}

}  // namespace

SingleInstance::SingleInstance(QString name, QString session, QObject* parent)
    : QObject(parent), name_(std::move(name)), session_(std::move(session)) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

QString SingleInstance::SessionKey(const QString& settingsFolder) {
    const QString display = QGuiApplication::platformName() + ":" +
                            qEnvironmentVariable("WAYLAND_DISPLAY") + ":" +
                            qEnvironmentVariable("DISPLAY");
    const QFileInfo folder(settingsFolder);
    const QString path =
        folder.exists() ? folder.canonicalFilePath() : QDir::cleanPath(folder.absoluteFilePath());
    return QString::number(static_cast<qulonglong>(::getuid())) + "\n" + display + "\n" + path;
}

QString SingleInstance::DefaultName(const QString& application, const QString& session) {
    // The session in a short digest: socket paths are short.
    const QByteArray digest =
        QCryptographicHash::hash(session.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return application + "-" + QString::number(static_cast<qulonglong>(::getuid())) + "-" +
           QString::fromLatin1(digest);
}

bool SingleInstance::listening() const {
    return server_ && server_->isListening();
}

bool SingleInstance::sendToRunning(const QString& message, int timeoutMs) {
    refusal_.clear();
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    // Connected: someone runs, whatever it answers.
    QByteArray request;
    QDataStream out(&request, QIODevice::WriteOnly);
    prepared(out) << kMagic << session_ << message;
    socket.write(request);
    socket.waitForBytesWritten(timeoutMs);

    QDataStream in(&socket);
    prepared(in);
    const QDeadlineTimer deadline(kAnswerMs);
    for (;;) {
        quint32 magic = 0;
        QString answer;
        in.startTransaction();
        in >> magic >> answer;
        if (in.commitTransaction()) {
            refusal_ = magic == kMagic ? answer : tr("The running designer did not answer.");
            break;
        }
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) {
            refusal_ = tr("The running designer did not answer; try again in a moment.");
            break;
        }
    }
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::claim(const QString& message, int timeoutMs) {
    if (listening()) return true;
    if (sendToRunning(message, timeoutMs)) return false;
    // No one answered: whatever socket file is there is left from a crash.
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Another start may have won the race between our two steps.
        if (sendToRunning(message, timeoutMs)) {
            delete server_;
            server_ = nullptr;
            return false;
        }
        // Listening failed for another reason; run alone rather than not at all.
        delete server_;
        server_ = nullptr;
        return true;
    }
    acceptConnections();
    return true;
}

void SingleInstance::answer(QLocalSocket* socket) {
    if (socket->property("qrvAnswered").toBool()) return;
    QDataStream in(socket);
    prepared(in);
    quint32 magic = 0;
    QString session, message;
    in.startTransaction();
    in >> magic >> session >> message;
    if (!in.commitTransaction()) return;  // more to come
    socket->setProperty("qrvAnswered", true);

    QString refusal;
    if (magic != kMagic || session != session_ || !samePeerUser(socket))
        refusal = tr("The designer already runs for another user, display or settings folder.");
    else if (gate_)
        refusal = gate_();
    QByteArray reply;
    QDataStream out(&reply, QIODevice::WriteOnly);
    prepared(out) << kMagic << refusal;
    socket->write(reply);
    socket->flush();
    socket->disconnectFromServer();  // after the answer is written
    if (refusal.isEmpty()) emit messageReceived(message);
}

void SingleInstance::acceptConnections() {
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // It may have sent everything before we got here.
            if (socket->bytesAvailable() > 0) answer(socket);
        }
    });
}

}  // namespace qrv::util
