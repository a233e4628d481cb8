#pragma once
// The main window's UDP endpoint for the management protocol (udpClient): always bound
// to local port 2976; every management datagram leaves through it and every reply of an
// element comes back to it, where it is dispatched by length.
//
// Whatever arrives, the endpoint holds a bounded amount: it reads a batch of datagrams
// per readiness notification and returns to the event loop; feedback records wait in an
// inbox of kInboxCapacity (when it is full, further ones are dropped as the kernel would
// drop them from a full receive buffer); of the level reports only the newest of each
// sender waits (at most kReportSenders senders at a time).
// Datagrams are handed over from the event loop, never from inside the socket's
// notification, so a handler that opens a modal window does not stop the reading.

#include "DatagramDispatch.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QQueue>
#include <QString>

class QUdpSocket;

class ManagementEndpoint : public QObject {
    Q_OBJECT
public:
    static constexpr int kInboxCapacity = 4096; // the answers of a large discovery
    static constexpr int kReadBatch = 256;
    static constexpr int kDispatchBatch = 64;
    static constexpr int kReportSenders = 1024;
    // Asked for the kernel's receive buffer: a burst of a thousand discovery answers.
    static constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

    explicit ManagementEndpoint(QObject* parent = nullptr);
    ~ManagementEndpoint() override;

    // Closes the endpoint if it is open, then binds port 2976 on the local address
    // ("0.0.0.0" means every interface).  On failure errorString() describes it.
    bool bindLocal(const QString& localAddress);
    // Binds again on a new local address, on the port the endpoint had (2976).
    bool rebind(const QString& localAddress);
    void close();
    bool isOpen() const;
    // Open and bound to this local address (as bindLocal() takes it).
    bool isBoundTo(const QString& localAddress) const;
    quint16 localPort() const;
    // The receive buffer the kernel granted (bytes, as the kernel counts them).
    int receiveBufferBytes() const;

    // The destination of the next send; kept from one send to the next.
    void setRemote(const QString& host, quint16 port);
    QString remoteHost() const { return remoteHost_; }
    quint16 remotePort() const { return remotePort_; }

    // Sends one datagram to the current remote host and port, on the endpoint as it is.
    bool send(const QByteArray& payload);
    // The discovery request: to 255.255.255.255 port 1901, on the endpoint as it is bound
    // (no close, no re-bind).
    bool broadcast(const QByteArray& payload);
    // Sends one datagram to ipv4 (host order) and port, on the endpoint as it is bound,
    // without touching the remote host and port the system's senders set (the audio
    // watch's requests).
    bool sendTo(const QByteArray& payload, quint32 ipv4, quint16 port);

    // Hands over every datagram read so far, now.  The end of a discovery calls it, so
    // the answers that arrived in time are taken as answers to it.
    void deliverWaiting();

    QString errorString() const { return error_; }
    QUdpSocket* socket() const { return socket_; }
    // Level reports that were replaced by a newer one of the same sender before they were
    // handed over.
    int levelReportsReplaced() const { return reportsReplaced_; }
    // Feedback records (and level reports of too many senders at once) dropped because the
    // inbox was full.
    int inboxOverflows() const { return overflowed_; }

Q_SIGNALS:
    // senderIpv4: the sender's address, host order.
    void levelReportArrived(const QByteArray& datagram, quint32 senderIpv4);
    void feedbackRecordArrived(const QByteArray& datagram);
    // Every datagram as it is read, before it is classified (diagnostics and tests); a
    // handler must return at once.
    void datagramArrived(const QByteArray& datagram);

private:
    bool bindOn(const QString& localAddress, quint16 port);
    void readPending();
    void dispatchWaiting();
    void scheduleDispatch();
    void failWith(const QString& text);

    QUdpSocket* socket_;
    QString remoteHost_;
    quint16 remotePort_ = 0;
    quint16 boundPort_ = Ports::NmsManagement;
    QHostAddress boundAddress_;
    QString error_;
    QQueue<QByteArray> inbox_;
    QHash<quint32, QByteArray> newestReports_; // by sender
    QQueue<quint32> reportOrder_;              // the senders of the reports waiting
    int reportsReplaced_ = 0;
    int overflowed_ = 0;
    bool dispatchQueued_ = false;
};
