#pragma once
// The hardware address of a neighbour from the kernel's neighbour table
// (/proc/net/arp of the caller's network namespace).  No privileges are needed: a small
// UDP datagram to the discard port of an address makes the kernel resolve it, and the
// caller reads the table again a few milliseconds later.

#include "ArpLookup.h"

#include <QHash>
#include <QString>

class LinuxArpLookup final : public ArpLookup {
public:
    explicit LinuxArpLookup(QString tablePath = QStringLiteral("/proc/net/arp"));

    void provoke(quint32 ipv4) override;
    QList<QByteArray> hardwareAddresses(const QList<quint32>& ipv4s) override;

    // The complete entries of a neighbour table text in the /proc/net/arp format, by
    // address (the first complete entry of an address counts).
    static QHash<quint32, QByteArray> completeEntries(QByteArrayView table);
    static QByteArray findInTable(const QByteArray& table, quint32 ipv4) {
        return completeEntries(table).value(ipv4);
    }
    // Only ordinary unicast addresses are resolved (no 0.x, loopback, multicast,
    // broadcast): nothing is ever sent to those.
    static bool resolvable(quint32 ipv4);

private:
    QString tablePath_;
};
