#include "hand_over_server.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <string_view>

#include <unistd.h>

#include "hand_over.h"

namespace {

// Where a connection keeps what it has received so far.
constexpr char kBuffer[] = "tonquellHandOver";

}  // namespace

HandOverServer::HandOverServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->setMaxPendingConnections(kMaxConnections);
    connect(server_, &QLocalServer::newConnection, this, &HandOverServer::Accept);
}

HandOverServer::~HandOverServer() = default;

bool HandOverServer::Listen(const std::string& socketPath) {
    const QString name =
        QString::fromLocal8Bit(socketPath.data(), static_cast<qsizetype>(socketPath.size()));
    if (server_->listen(name)) {
        return true;
    }
    // A socket left by an instance that ended: the lock says nobody listens there any more.
    if (server_->serverError() == QAbstractSocket::AddressInUseError &&
        QLocalServer::removeServer(name)) {
        return server_->listen(name);
    }
    return false;
}

QString HandOverServer::SocketPath() const {
    return server_->isListening() ? server_->fullServerName() : QString();
}

void HandOverServer::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (open_ >= kMaxConnections) {
            Refuse(socket, QStringLiteral("too many connections"));
            continue;
        }
        // The socket file is this user's only, but its folder may be shared: ask the kernel
        // who is at the other end.
        const auto uid = hand_over::PeerUid(static_cast<int>(socket->socketDescriptor()));
        if (!uid || *uid != ::getuid()) {
            Refuse(socket, QStringLiteral("another user"));
            continue;
        }
        ++open_;
        connect(socket, &QObject::destroyed, this, [this] { --open_; });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        auto* timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this,
                [this, socket] { Refuse(socket, QStringLiteral("incomplete message")); });
        timer->start(kReadTimeoutMs);
        Read(socket);  // bytes that came with the connection
    }
}

void HandOverServer::Read(QLocalSocket* socket) {
    if (socket->state() != QLocalSocket::ConnectedState) {
        return;
    }
    QByteArray received = socket->property(kBuffer).toByteArray();
    // Never hold more than a whole message and one byte beyond it.
    const qint64 room =
        static_cast<qint64>(hand_over::kHeaderBytes + hand_over::kMaxPathBytes + 1) -
        received.size();
    received += socket->read(std::max<qint64>(room, 0));
    const hand_over::Message message =
        hand_over::Decode(std::string_view(received.constData(), received.size()));
    switch (message.state) {
        case hand_over::MessageState::Incomplete:
            socket->setProperty(kBuffer, received);
            return;
        case hand_over::MessageState::Malformed:
            Refuse(socket, QStringLiteral("malformed message"));
            return;
        case hand_over::MessageState::Oversized:
            Refuse(socket, QStringLiteral("oversized message"));
            return;
        case hand_over::MessageState::Complete:
            break;
    }
    Finish(socket);
    socket->write(&hand_over::kHandOverAccepted, 1);
    socket->flush();
    socket->disconnectFromServer();
    emit handedOver(QByteArray(message.path.data(), static_cast<qsizetype>(message.path.size())));
}

void HandOverServer::Finish(QLocalSocket* socket) {
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    for (QTimer* timer : socket->findChildren<QTimer*>()) {
        timer->stop();
    }
    socket->setProperty(kBuffer, QVariant());
}

void HandOverServer::Refuse(QLocalSocket* socket, const QString& reason) {
    Finish(socket);
    socket->abort();
    socket->deleteLater();
    emit refused(reason);
}
