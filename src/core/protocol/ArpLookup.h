#pragma once
// Where the hardware address of an element on the local network comes from.  The real
// one reads the kernel's neighbour table; tests put in a table of their own.  Nothing
// here waits: a caller that needs an address the table does not hold yet provokes an
// exchange and reads the table again a little later, from its own timer.

#include <QByteArray>
#include <QList>
#include <QtGlobal>

class ArpLookup {
public:
    virtual ~ArpLookup() = default;
    // Makes the link layer resolve ipv4 (host byte order) now, without waiting for it.
    virtual void provoke(quint32 ipv4) = 0;
    // What the table holds now for each address (as many bytes as the link layer gives;
    // empty when it is not known), read once for all of them.
    virtual QList<QByteArray> hardwareAddresses(const QList<quint32>& ipv4s) = 0;

    QByteArray hardwareAddress(quint32 ipv4) { return hardwareAddresses({ipv4}).value(0); }
};
