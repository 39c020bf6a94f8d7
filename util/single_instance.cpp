#include "util/single_instance.h"

#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

namespace qrv::util {

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

QString SingleInstance::DefaultName(const QString& application) {
    // Per user, so that two people on one machine each get their own program.
    return application + "-" + QString::number(static_cast<qulonglong>(::getuid()));
}

bool SingleInstance::listening() const {
    return server_ && server_->isListening();
}

bool SingleInstance::sendToRunning(const QString& message, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    // Connected: someone runs, whatever happens to the message. The message
    // is the whole stream: the first instance reads until the connection
    // ends, so nothing needs a length or a terminator.
    if (!message.isEmpty()) {
        socket.write(message.toUtf8());
        socket.waitForBytesWritten(timeoutMs);
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
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

void SingleInstance::acceptConnections() {
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            auto done = std::make_shared<bool>(false);
            auto finish = [this, socket, buffer, done] {
                if (*done) return;
                *done = true;
                buffer->append(socket->readAll());
                socket->deleteLater();
                emit messageReceived(QString::fromUtf8(*buffer));
            };
            connect(socket, &QLocalSocket::readyRead, this,
                    [socket, buffer] { buffer->append(socket->readAll()); });
            connect(socket, &QLocalSocket::disconnected, this, finish);
            // It may have sent everything and gone before we got here.
            if (socket->state() == QLocalSocket::UnconnectedState) finish();
        }
    });
}

}  // namespace qrv::util
