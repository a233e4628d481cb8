#pragma once
// Sending one datagram to an element from a bound endpoint, and the words for why an
// element could not be reached.
//
// The datagram is written through the socket's descriptor so that a failure carries the
// kernel's own reason ("Network is unreachable", "No route to host"): QUdpSocket reports
// every such failure as "Unable to send a message".  A failure here is never a failure of
// our own port (that is the bind's): the element cannot be reached, and the caller tells
// the operator so and goes on.

#include <QByteArray>
#include <QString>

class QUdpSocket;

namespace DatagramSend {

// Sends payload to ipv4 (host byte order) and port from the bound socket.  False when the
// kernel refused it, with its reason in *reason.
bool sendTo(const QUdpSocket& socket, const QByteArray& payload, quint32 ipv4, quint16 port,
            QString* reason);

// Why a stored address cannot be a destination ("" when it can).
QString unusableAddressReason(const QString& storedIp);

// "Unable to reach the element on UDP port <port>: <reason>."
QString unreachableText(quint16 port, const QString& reason);

} // namespace DatagramSend
