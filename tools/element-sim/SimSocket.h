#pragma once
// UDP sockets for simulated elements, optionally made inside a named network namespace
// (/run/netns/NAME, as "ip netns add" makes them), so one process can host elements that
// each live in a namespace of their own.  A socket keeps the namespace it was made in.

#include <QHostAddress>
#include <QString>

class QObject;
class QUdpSocket;

namespace SimSocket {

struct Options {
    QString netns;           // empty: the process's own namespace
    QHostAddress address = QHostAddress(QHostAddress::AnyIPv4);
    quint16 port = 0;
    bool shared = false;     // several sockets on one port (each gets every broadcast)
    bool broadcast = false;
};

// A bound socket, or nullptr with the reason in *error.
QUdpSocket* bind(const Options& options, QObject* parent, QString* error);

} // namespace SimSocket
