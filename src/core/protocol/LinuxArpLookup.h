#pragma once
// The hardware address of a neighbour from the kernel's neighbour table
// (/proc/net/arp of the caller's network namespace).  No privileges are needed: when the
// table does not know the address yet, a small UDP datagram to the discard port of the
// address makes the kernel resolve it, and the table is read again until the answer is
// in or the wait is over.

#include "ArpLookup.h"

#include <QString>

class LinuxArpLookup final : public ArpLookup {
public:
    explicit LinuxArpLookup(int waitMs = 1000,
                            QString tablePath = QStringLiteral("/proc/net/arp"));
    QByteArray hardwareAddress(quint32 ipv4, Wait wait) override;

    // The complete entry for ipv4 in a neighbour table text in the /proc/net/arp format.
    static QByteArray findInTable(const QByteArray& table, quint32 ipv4);
    // Only ordinary unicast addresses are resolved (no 0.x, loopback, multicast,
    // broadcast): nothing is ever sent to those.
    static bool resolvable(quint32 ipv4);

private:
    QByteArray readTable(quint32 ipv4) const;
    static void provoke(quint32 ipv4);

    int waitMs_;
    QString tablePath_;
};
