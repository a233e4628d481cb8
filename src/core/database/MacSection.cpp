#include "MacSection.h"

#include <QCoreApplication>

namespace MacSection {

QString Encode_MAC(const QString& srcMAC) {
    QString out;
    if (srcMAC.size() == 17) {
        out = srcMAC;
        out.remove(u':');
    }
    return out.toUpper();
}

QString Decode_MAC(const QString& sectionName) {
    QString out;
    const bool wellFormed = sectionName.size() == 12;
    for (int pair = 0; pair < 6; ++pair) {
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::processEvents();
        if (wellFormed) {
            out += sectionName.mid(pair * 2, 2).toUpper();
            out += u':';
        }
    }
    return out.left(17);
}

} // namespace MacSection
