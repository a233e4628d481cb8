#include "Arp.h"

#include "core/editor/FieldRules.h"

namespace Arp {

QString Format_MAC(const QByteArray& bytes, const QString& separator) {
    if (bytes.size() != 6)
        return QString();
    QString out;
    for (int i = 0; i < 6; ++i) {
        out += QStringLiteral("%1").arg(uint(uchar(bytes[i])), 2, 16, QLatin1Char('0')).toUpper();
        if (i < 5)
            out += separator;
    }
    return out;
}

quint32 ipv4Of(const QString& ip) {
    const std::optional<quint32> address = FieldRules::ipv4Address(ip); // decimal, never octal
    return address ? *address : 0;
}

std::optional<QString> macOf(const QByteArray& hw, const QString& separator) {
    if (hw.isEmpty())
        return std::nullopt;
    if (hw.size() >= 4 && hw[0] == 0 && hw[1] == 0 && hw[2] == 0 && hw[3] == 0)
        return std::nullopt;
    // The neighbour table gives the broadcast address for a subnet's broadcast address:
    // a record claiming that address names no element.
    if (hw == QByteArray(6, char(0xff)))
        return std::nullopt;
    return Format_MAC(hw, separator);
}

bool Resolve_MAC(ArpLookup& lookup, const QString& ip, const QString& separator, QString& mac,
                 QString* sRemoteMacAddress2) {
    const quint32 address = ipv4Of(ip);
    if (address == 0)
        return false;
    const std::optional<QString> found = macOf(lookup.hardwareAddress(address), separator);
    if (!found)
        return false;
    mac = *found;
    if (sRemoteMacAddress2 != nullptr)
        *sRemoteMacAddress2 = mac;
    return true;
}

} // namespace Arp
