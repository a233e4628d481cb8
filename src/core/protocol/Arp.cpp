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

bool Resolve_MAC(ArpLookup& lookup, const QString& ip, const QString& separator, QString& mac,
                 QString* sRemoteMacAddress2, ArpLookup::Wait wait) {
    const std::optional<quint32> address = FieldRules::ipv4Address(ip); // decimal, never octal
    if (!address || *address == 0)
        return false;
    const QByteArray hw = lookup.hardwareAddress(*address, wait);
    if (hw.isEmpty())
        return false;
    if (hw.size() >= 4 && hw[0] == 0 && hw[1] == 0 && hw[2] == 0 && hw[3] == 0)
        return false;
    mac = Format_MAC(hw, separator);
    if (sRemoteMacAddress2 != nullptr)
        *sRemoteMacAddress2 = mac;
    return true;
}

} // namespace Arp
