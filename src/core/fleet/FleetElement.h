#pragma once
// An element as the fleet check and the exporter see it: what the element database holds
// about it (its MAC text, name, stored address, role and SFN mode), read once per list
// load or file change.

#include <QString>

#include <vector>

class IniSnapshot;

struct FleetElement {
    QString mac;  // 00:11:22:33:44:AA
    QString name; // as read, trailing blanks not part of it
    QString ip;   // the stored "ip", as text
    QString role; // "encoder", "decoder" or "unknown"
    bool sfn = false;

    // The stored address as an IPv4 address (host order), or 0 when it is not one that
    // can be checked (empty, not dotted decimal, 0.0.0.0, 255.255.255.255).
    quint32 address() const;
    // "STUDIO 1 [00:11:22:33:44:AA]", as the element list shows it.
    QString listText() const;
};

namespace FleetElements {

// Every element of the database that the element list shows, in file order (sections
// whose names are no MAC address, and repeated sections, are left out as the list leaves
// them out).
std::vector<FleetElement> read(const IniSnapshot& snapshot);

} // namespace FleetElements
