#include "DiagnosticsPort.h"

#include "core/editor/FieldRules.h"
#include "core/protocol/DatagramDispatch.h"
#include "core/protocol/DatagramSend.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

DiagnosticsPort::DiagnosticsPort(QObject* parent) : QObject(parent), socket_(new QUdpSocket(this)) {
    connect(socket_, &QUdpSocket::readyRead, this, &DiagnosticsPort::readPending);
}

DiagnosticsPort::~DiagnosticsPort() = default;

bool DiagnosticsPort::bindLocal(const QString& localAddress) {
    close();
    held_ = false;
    const QHostAddress address = (localAddress.isEmpty() || localAddress == QLatin1String("0.0.0.0"))
                                     ? QHostAddress(QHostAddress::AnyIPv4)
                                     : QHostAddress(localAddress);
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        error_ = QStringLiteral("the local address \"%1\" is not an IPv4 address").arg(localAddress);
        return false;
    }
    if (!socket_->bind(address, Ports::Diagnostics, QAbstractSocket::DontShareAddress)) {
        error_ = socket_->errorString();
        held_ = socket_->error() == QAbstractSocket::AddressInUseError;
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
    error_ = DatagramSend::unusableAddressReason(host);
    if (!error_.isEmpty())
        return SendResult::BadDestination;
    // The port is ours and bound: a datagram the kernel refuses (no route to the element)
    // is the destination's failure.
    if (!DatagramSend::sendTo(*socket_, payload, *FieldRules::ipv4Address(host), Ports::Diagnostics,
                              &error_))
        return SendResult::BadDestination;
    return SendResult::Sent;
}

void DiagnosticsPort::discardPending() {
    while (socket_->hasPendingDatagrams())
        socket_->readDatagram(nullptr, 0);
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
