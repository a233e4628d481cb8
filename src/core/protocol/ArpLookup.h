#pragma once
// Where the hardware address of an element on the local network comes from.  The real
// one reads the kernel's neighbour table; tests put in a table of their own.

#include <QByteArray>
#include <QtGlobal>

class ArpLookup {
public:
    enum class Wait {
        Immediate,   // only what the neighbour table holds now
        UpToOneTick, // if unknown, provoke an ARP exchange and wait for it (about a second)
    };
    virtual ~ArpLookup() = default;
    // The hardware address of ipv4 (host byte order), as many bytes as the link layer
    // gives; empty when it is not known.
    virtual QByteArray hardwareAddress(quint32 ipv4, Wait wait) = 0;
};
