#pragma once
// The MAC address of an element, from its IPv4 address, by ARP on the local network.

#include "ArpLookup.h"

#include <QByteArray>
#include <QString>

namespace Arp {

// Six bytes as two-digit upper-case hexadecimal numbers joined by the separator; any
// other number of bytes gives "".
QString Format_MAC(const QByteArray& bytes, const QString& separator);

// Looks up the hardware address of ip (dotted text).  Fails for a text that is not an
// address or is 0.0.0.0, when nothing is found, and when the first four bytes found are
// zero.  On success the MAC text (empty for an address that is not six bytes long) is
// returned in mac and stored in *sRemoteMacAddress2 when given.
bool Resolve_MAC(ArpLookup& lookup, const QString& ip, const QString& separator, QString& mac,
                 QString* sRemoteMacAddress2, ArpLookup::Wait wait);

} // namespace Arp
