#include "ManagementEndpoint.h"

#include "DatagramSend.h"
#include "core/editor/FieldRules.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <sys/socket.h>

namespace {
QHostAddress localHostAddress(const QString& text) {
    if (text == QLatin1String("0.0.0.0") || text.isEmpty())
        return QHostAddress(QHostAddress::AnyIPv4);
    return QHostAddress(text);
}
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
    boundAddress_ = address;
    // Beyond the system's limit for ordinary programs when the program may (root or
    // CAP_NET_ADMIN); otherwise as much as that limit (net.core.rmem_max) allows.
    const int fd = int(socket_->socketDescriptor());
    const int bytes = kReceiveBufferBytes;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        (void)::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    error_.clear();
    return true;
}

int ManagementEndpoint::receiveBufferBytes() const {
    int bytes = 0;
    socklen_t length = sizeof bytes;
    if (!isOpen() || ::getsockopt(int(socket_->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &bytes, &length) != 0)
        return 0;
    return bytes;
}

void ManagementEndpoint::close() { socket_->close(); }

bool ManagementEndpoint::isOpen() const {
    return socket_->state() == QAbstractSocket::BoundState;
}

bool ManagementEndpoint::isBoundTo(const QString& localAddress) const {
    return isOpen() && boundAddress_ == localHostAddress(localAddress);
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

bool ManagementEndpoint::sendTo(const QByteArray& payload, quint32 ipv4, quint16 port) {
    if (!isOpen()) {
        failWith(QStringLiteral("the endpoint is not bound"));
        return false;
    }
    QString reason;
    if (!DatagramSend::sendTo(*socket_, payload, ipv4, port, &reason)) {
        failWith(reason);
        return false;
    }
    return true;
}

void ManagementEndpoint::readPending() {
    // A batch, then back to the event loop: the socket notifies again while datagrams are
    // left, so a flood never keeps the window from reacting.  Every notification reads:
    // one that reads nothing stops the socket's notifications for good.
    for (int n = 0; n < kReadBatch && socket_->hasPendingDatagrams(); ++n) {
        const QNetworkDatagram received = socket_->receiveDatagram();
        const QByteArray datagram = received.data();
        Q_EMIT datagramArrived(datagram);
        switch (classifyDatagram(datagram.size())) {
        case DatagramKind::LevelReport: {
            // Only the newest level of each element matters; an older one not yet shown
            // is passed over.
            const quint32 sender = received.senderAddress().toIPv4Address();
            auto waiting = newestReports_.find(sender);
            if (waiting != newestReports_.end()) {
                ++reportsReplaced_;
                *waiting = datagram;
            } else if (newestReports_.size() < kReportSenders) {
                newestReports_.insert(sender, datagram);
                reportOrder_.enqueue(sender);
            } else {
                ++overflowed_;
            }
            break;
        }
        case DatagramKind::FeedbackRecord:
            if (inbox_.size() < kInboxCapacity)
                inbox_.enqueue(datagram);
            else
                ++overflowed_;
            break;
        case DatagramKind::Dropped:
            break;
        }
    }
    scheduleDispatch();
}

void ManagementEndpoint::scheduleDispatch() {
    if (dispatchQueued_ || (inbox_.isEmpty() && reportOrder_.isEmpty()))
        return;
    dispatchQueued_ = true;
    QMetaObject::invokeMethod(this, &ManagementEndpoint::dispatchWaiting, Qt::QueuedConnection);
}

void ManagementEndpoint::dispatchWaiting() {
    dispatchQueued_ = false;
    for (int n = 0; n < kDispatchBatch && (!inbox_.isEmpty() || !reportOrder_.isEmpty()); ++n) {
        QByteArray datagram;
        const bool report = !reportOrder_.isEmpty();
        quint32 sender = 0;
        if (report) {
            sender = reportOrder_.dequeue();
            datagram = newestReports_.take(sender);
        } else {
            datagram = inbox_.dequeue();
        }
        // The rest is scheduled first, so a handler that waits in a modal window does
        // not hold back the datagrams behind it.
        scheduleDispatch();
        if (report)
            Q_EMIT levelReportArrived(datagram, sender);
        else
            Q_EMIT feedbackRecordArrived(datagram);
    }
    scheduleDispatch();
}

void ManagementEndpoint::deliverWaiting() {
    while (!inbox_.isEmpty() || !reportOrder_.isEmpty())
        dispatchWaiting();
}
