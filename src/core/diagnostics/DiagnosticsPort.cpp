#include "DiagnosticsPort.h"

#include "core/protocol/DatagramDispatch.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

DiagnosticsPort::DiagnosticsPort(QObject* parent) : QObject(parent), socket_(new QUdpSocket(this)) {
    connect(socket_, &QUdpSocket::readyRead, this, &DiagnosticsPort::readPending);
}

DiagnosticsPort::~DiagnosticsPort() = default;

bool DiagnosticsPort::bindLocal(const QString& localAddress) {
    close();
    const QHostAddress address = (localAddress.isEmpty() || localAddress == QLatin1String("0.0.0.0"))
                                     ? QHostAddress(QHostAddress::AnyIPv4)
                                     : QHostAddress(localAddress);
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        error_ = QStringLiteral("the local address \"%1\" is not an IPv4 address").arg(localAddress);
        return false;
    }
    if (!socket_->bind(address, Ports::Diagnostics, QAbstractSocket::DontShareAddress)) {
        error_ = socket_->errorString();
        return false;
    }
    error_.clear();
    return true;
}

void DiagnosticsPort::close() { socket_->close(); }

bool DiagnosticsPort::isOpen() const { return socket_->state() == QAbstractSocket::BoundState; }

DiagnosticsPort::SendResult DiagnosticsPort::send(const QString& host, const QByteArray& payload) {
    if (!isOpen()) {
        error_ = QStringLiteral("port 2978 is not open");
        return SendResult::PortFailure;
    }
    const QHostAddress remote(host);
    if (remote.isNull() || remote.protocol() != QAbstractSocket::IPv4Protocol) {
        error_ = host.isEmpty() ? QStringLiteral("no address is stored for this element")
                                : QStringLiteral("the stored address \"%1\" is not an IPv4 address").arg(host);
        return SendResult::BadDestination;
    }
    if (socket_->writeDatagram(payload, remote, Ports::Diagnostics) != payload.size()) {
        error_ = socket_->errorString();
        return SendResult::PortFailure;
    }
    error_.clear();
    return SendResult::Sent;
}

void DiagnosticsPort::readPending() {
    while (socket_->hasPendingDatagrams()) {
        const QNetworkDatagram d = socket_->receiveDatagram();
        Q_EMIT datagramArrived(d.data());
        bool ipv4 = false;
        const quint32 sender = d.senderAddress().toIPv4Address(&ipv4);
        Q_EMIT datagramFrom(d.data(), ipv4 ? sender : 0);
    }
}
