#include "FleetElement.h"

#include "core/database/ElementListing.h"
#include "core/database/ElementRecord.h"
#include "core/database/IniSnapshot.h"
#include "core/editor/FieldRules.h"

quint32 FleetElement::address() const {
    const quint32 a = FieldRules::ipv4Address(ip).value_or(0); // decimal, as every send reads it
    // No element answers for the whole network, a group or the reserved range; pinging
    // them would ask every host at once.
    if (a == 0 || a >= 0xE0000000u)
        return 0;
    return a;
}

QString FleetElement::listText() const {
    return name + QStringLiteral(" [") + mac + u']';
}

namespace FleetElements {

std::vector<FleetElement> read(const IniSnapshot& snapshot) {
    std::vector<FleetElement> out;
    ElementListing listing(snapshot);
    for (const QString& section : snapshot.sectionNames()) {
        const auto entry = listing.entryFor(section);
        if (!entry)
            continue;
        FleetElement e;
        e.mac = entry->key;
        e.name = snapshot.value(section, ElementKeys::Name, QString());
        e.ip = snapshot.value(section, ElementKeys::Ip, QString()).trimmed();
        const auto role =
            ElementRecord::role(snapshot.value(section, ElementKeys::Role, QString()));
        e.role = role == ElementRecord::RoleEncoder   ? QStringLiteral("encoder")
                 : role == ElementRecord::RoleDecoder ? QStringLiteral("decoder")
                                                      : QStringLiteral("unknown");
        e.sfn = ElementRecord::number(
                    snapshot.value(section, ElementKeys::Sfn, ElementDefaults::Sfn)) == 1;
        out.push_back(std::move(e));
    }
    return out;
}

} // namespace FleetElements
