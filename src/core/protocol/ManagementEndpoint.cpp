#include "ManagementEndpoint.h"

#include "DatagramSend.h"
#include "core/editor/FieldRules.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

namespace {
QHostAddress localHostAddress(const QString& text) {
    if (text == QLatin1String("0.0.0.0") || text.isEmpty())
        return QHostAddress(QHostAddress::AnyIPv4);
    return QHostAddress(text);
}

// Enough room for the answers of a few hundred elements that reply to one discovery in
// the same instant, while the window is busy storing earlier ones.
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;
} // namespace

ManagementEndpoint::ManagementEndpoint(QObject* parent)
    : QObject(parent), socket_(new QUdpSocket(this)) {
    connect(socket_, &QUdpSocket::readyRead, this, &ManagementEndpoint::readPending);
}

ManagementEndpoint::~ManagementEndpoint() = default;

void ManagementEndpoint::failWith(const QString& text) { error_ = text; }

bool ManagementEndpoint::bindLocal(const QString& localAddress) {
    return bindOn(localAddress, Ports::NmsManagement);
}

bool ManagementEndpoint::rebind(const QString& localAddress) {
    // The port the endpoint has now (2976 for its whole life; also when it is closed).
    return bindOn(localAddress, isOpen() ? socket_->localPort() : boundPort_);
}

bool ManagementEndpoint::bindOn(const QString& localAddress, quint16 port) {
    if (isOpen())
        close();
    const QHostAddress address = localHostAddress(localAddress);
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        failWith(QStringLiteral("the local address \"%1\" is not an IPv4 address").arg(localAddress));
        return false;
    }
    // An exclusive bind: another program (or instance) on the port must make this fail.
    if (!socket_->bind(address, port, QAbstractSocket::DontShareAddress)) {
        failWith(socket_->errorString());
        return false;
    }
    boundPort_ = port;
    socket_->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kReceiveBufferBytes));
    error_.clear();
    return true;
}

void ManagementEndpoint::close() { socket_->close(); }

bool ManagementEndpoint::isOpen() const {
    return socket_->state() == QAbstractSocket::BoundState;
}

quint16 ManagementEndpoint::localPort() const { return socket_->localPort(); }

void ManagementEndpoint::setRemote(const QString& host, quint16 port) {
    remoteHost_ = host;
    remotePort_ = port;
}

bool ManagementEndpoint::send(const QByteArray& payload) {
    if (!isOpen()) {
        failWith(QStringLiteral("the endpoint is not bound"));
        return false;
    }
    // Read decimal, as the address rule reads it: never 010 as octal 8.
    const auto host = FieldRules::ipv4Address(remoteHost_);
    if (!host) {
        failWith(remoteHost_.isEmpty()
                     ? QStringLiteral("no remote host is set")
                     : QStringLiteral("the remote host \"%1\" is not an IPv4 address").arg(remoteHost_));
        return false;
    }
    QString reason;
    if (!DatagramSend::sendTo(*socket_, payload, *host, remotePort_, &reason)) {
        failWith(reason);
        return false;
    }
    return true;
}

bool ManagementEndpoint::broadcast(const QByteArray& payload) {
    setRemote(QString::fromLatin1(kDiscoveryAddress), Ports::Discovery);
    return send(payload);
}

void ManagementEndpoint::readPending() {
    // Take every waiting datagram off the socket now, and hand each one over from the event
    // loop: a handler may open a modal window, and further datagrams must still arrive and
    // be handled (re-entering) while it is open.
    bool wasIdle = inbox_.isEmpty();
    while (socket_->hasPendingDatagrams()) {
        const QNetworkDatagram d = socket_->receiveDatagram();
        inbox_.enqueue(d.data());
    }
    if (wasIdle && !inbox_.isEmpty())
        QMetaObject::invokeMethod(this, &ManagementEndpoint::dispatchNext, Qt::QueuedConnection);
}

void ManagementEndpoint::dispatchNext() {
    if (inbox_.isEmpty())
        return;
    const QByteArray datagram = inbox_.dequeue();
    // Schedule the next one first, so a handler that blocks in a modal window does not
    // hold back the datagrams behind it.
    if (!inbox_.isEmpty())
        QMetaObject::invokeMethod(this, &ManagementEndpoint::dispatchNext, Qt::QueuedConnection);
    Q_EMIT datagramArrived(datagram);
    switch (classifyDatagram(datagram.size())) {
    case DatagramKind::LevelReport:
        Q_EMIT levelReportArrived(datagram);
        break;
    case DatagramKind::FeedbackRecord:
        Q_EMIT feedbackRecordArrived(datagram);
        break;
    case DatagramKind::Dropped:
        break;
    }
}
