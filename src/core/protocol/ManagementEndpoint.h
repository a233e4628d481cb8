#pragma once
// The main window's UDP endpoint for the management protocol (udpClient): always bound
// to local port 2976; every management datagram leaves through it and every reply of an
// element comes back to it, where it is dispatched by length.

#include "DatagramDispatch.h"

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QString>

#include <functional>

class QUdpSocket;

class ManagementEndpoint : public QObject {
    Q_OBJECT
public:
    explicit ManagementEndpoint(QObject* parent = nullptr);
    ~ManagementEndpoint() override;

    // Closes the endpoint if it is open, then binds port 2976 on the local address
    // ("0.0.0.0" means every interface).  On failure errorString() describes it.
    bool bindLocal(const QString& localAddress);
    // Binds again on a new local address, on the port the endpoint had (2976).
    bool rebind(const QString& localAddress);
    void close();
    bool isOpen() const;
    quint16 localPort() const;

    // The destination of the next send; kept from one send to the next.
    void setRemote(const QString& host, quint16 port);
    QString remoteHost() const { return remoteHost_; }
    quint16 remotePort() const { return remotePort_; }

    // Sends one datagram to the current remote host and port, on the endpoint as it is.
    bool send(const QByteArray& payload);
    // The discovery request: to 255.255.255.255 port 1901, on the endpoint as it is bound
    // (no close, no re-bind).
    bool broadcast(const QByteArray& payload);

    QString errorString() const { return error_; }
    QUdpSocket* socket() const { return socket_; }

Q_SIGNALS:
    void levelReportArrived(const QByteArray& datagram);
    void feedbackRecordArrived(const QByteArray& datagram);
    // Every datagram, before it is classified (diagnostics and tests).
    void datagramArrived(const QByteArray& datagram);

private:
    bool bindOn(const QString& localAddress, quint16 port);
    void readPending();
    void dispatchNext();
    void failWith(const QString& text);

    QUdpSocket* socket_;
    QString remoteHost_;
    quint16 remotePort_ = 0;
    quint16 boundPort_ = Ports::NmsManagement;
    QString error_;
    QQueue<QByteArray> inbox_;
};
