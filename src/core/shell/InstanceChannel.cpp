#include "InstanceChannel.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

InstanceChannel::InstanceChannel(QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->setMaxPendingConnections(kMaxClients);
    connect(server_, &QLocalServer::newConnection, this, &InstanceChannel::acceptClients);
}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::defaultPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/tessovar-nms.socket");
}

bool InstanceChannel::listen() {
    QLocalServer::removeServer(path_);
    return server_->listen(path_);
}

void InstanceChannel::acceptClients() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        if (clients_.size() >= kMaxClients)
            clients_.takeFirst()->abort(); // it has had its time; it goes as below
        clients_.append(client);
        // However it ends (read, gone, silent too long), the connection is let go once.
        auto* timeout = new QTimer(client);
        timeout->setSingleShot(true);
        connect(timeout, &QTimer::timeout, client, &QLocalSocket::abort);
        connect(client, &QLocalSocket::disconnected, this, [this, client] {
            clients_.removeOne(client);
            client->deleteLater();
        });
        connect(client, &QLocalSocket::readyRead, this, [this, client] { readClient(client); });
        timeout->start(kClientTimeoutMs);
        readClient(client); // what arrived with the connection
    }
}

void InstanceChannel::readClient(QLocalSocket* client) {
    if (client->bytesAvailable() < Request.size())
        return; // more to come, or the time-out ends it
    const QByteArray request = client->read(Request.size());
    const bool raise = request == Request;
    client->abort(); // one request per connection; anything after it is not read
    if (raise)
        Q_EMIT raiseRequested();
}

bool InstanceChannel::askToRaise(const QString& path, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(path, QIODevice::WriteOnly);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(Request);
    socket.flush();
    const bool written = socket.bytesToWrite() == 0 || socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return written;
}
