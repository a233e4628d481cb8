#pragma once
// Mapping between an element's MAC text (00:11:22:33:44:AA, shown in the window and used
// as the tree key) and its section name in the database (0011223344AA).

#include <QString>

namespace MacSection {

// Section name for a 17-character MAC text: the colons removed, upper case.  Empty for
// any other length.
QString Encode_MAC(const QString& srcMAC);

// MAC text for a 12-character section name.  Empty for any other length.  Lets pending
// user-interface events run before each of the six pairs, so a long list load keeps the
// window alive.
QString Decode_MAC(const QString& sectionName);

} // namespace MacSection
