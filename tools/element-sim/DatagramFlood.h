#pragma once
// A flood of datagrams at the NMS's management port, for the tests that show the NMS
// survives hostile and heavy traffic: short garbage (0 to 54 random bytes, the lengths
// the NMS takes as feedback records), well-formed feedback records of one element, or
// random datagrams of 0 to 1500 bytes.  Sent as fast as the socket takes them.

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <random>

struct DatagramFlood {
    enum class Kind { Short, Records, Random };
    Kind kind = Kind::Short;
    qint64 count = 0;
    QHostAddress to = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 2976;
    quint32 seed = 1;  // the same seed sends the same datagrams
    QByteArray record; // what Records sends

    // "short:N", "records:N" or "random:N".  Returns false for a text it cannot read.
    static bool parse(const QString& text, DatagramFlood* flood);

    // The next datagram of the flood.
    QByteArray next(std::mt19937& random) const;

    // Sends the whole flood from a socket of its own; returns how many datagrams left,
    // or -1 with the reason in *error.
    qint64 send(QString* error) const;
};
