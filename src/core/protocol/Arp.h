#pragma once
// The MAC address of an element, from its IPv4 address, by ARP on the local network.

#include "ArpLookup.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace Arp {

// Six bytes as two-digit upper-case hexadecimal numbers joined by the separator; any
// other number of bytes gives "".
QString Format_MAC(const QByteArray& bytes, const QString& separator);

// The address of a dotted IPv4 text in host byte order; 0 for a text that is not one.
quint32 ipv4Of(const QString& ip);

// The MAC text of a hardware address the table gave, or nothing when it does not name a
// device: none found, the first four bytes zero (which includes all zeros), or the
// broadcast address FF:FF:FF:FF:FF:FF.  A found address that is not six bytes long gives
// the empty text (a success that the caller refuses like a failure).
std::optional<QString> macOf(const QByteArray& hardwareAddress, const QString& separator);

// Looks up the hardware address of ip (dotted text) in the table as it is now.  Fails for
// a text that is not an address or is 0.0.0.0, and whenever macOf() gives nothing.  On
// success the MAC text is returned in mac and stored in *sRemoteMacAddress2 when given.
bool Resolve_MAC(ArpLookup& lookup, const QString& ip, const QString& separator, QString& mac,
                 QString* sRemoteMacAddress2);

} // namespace Arp
