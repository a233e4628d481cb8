#pragma once
// The endpoint a diagnostics window owns while it is open (udpClient2 of the statistics
// window, udpClient3 of the SFN window): UDP port 2978 on the NMS's local address, remote
// port 2978, the element's address set before each send.  Every datagram that arrives is
// handed over whole; the sender is not checked.

#include <QByteArray>
#include <QObject>
#include <QString>

class QUdpSocket;

class DiagnosticsPort : public QObject {
    Q_OBJECT
public:
    explicit DiagnosticsPort(QObject* parent = nullptr);
    ~DiagnosticsPort() override;

    // Binds port 2978 on the local address ("0.0.0.0": every interface), exclusively:
    // another window or program on the port makes it fail.
    bool bindLocal(const QString& localAddress);
    // After a failed bindLocal: another socket holds the port.
    bool portHeld() const { return held_; }
    void close();
    bool isOpen() const;

    enum class SendResult {
        Sent,
        BadDestination, // the element cannot be reached: no usable stored "ip", no route to it
        PortFailure,    // the endpoint is not bound
    };
    // Sends one datagram to port 2978 of the given host (dotted text, read decimal);
    // errorString() says why it failed.
    SendResult send(const QString& host, const QByteArray& payload);

    // Drops the datagrams waiting on the port: the replies that queued up behind a message
    // box are stale once it closes (the next request fetches fresh ones).
    void discardPending();

    QString errorString() const { return error_; }

Q_SIGNALS:
    void datagramArrived(const QByteArray& datagram);
    // The same datagram with its sender's IPv4 address (host order; 0 when not IPv4), for
    // a user that asks many elements at once (the exporter).
    void datagramFrom(const QByteArray& datagram, quint32 senderIpv4);

private:
    void readPending();

    QUdpSocket* socket_;
    QString error_;
    bool held_ = false;
};
