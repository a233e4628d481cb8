#include "WireText.h"

namespace WireText {

QStringList splitAddress(const QString& text) { return text.split(u'.'); }

bool isValidAddress(const QString& text) {
    const QStringList parts = splitAddress(text);
    for (const QString& part : parts) {
        const QString t = part.trimmed();
        if (t.isEmpty() || t.size() > 3)
            return false;
        int value = 0;
        for (QChar c : t) {
            if (c < u'0' || c > u'9')
                return false;
            value = value * 10 + (c.unicode() - u'0');
        }
        if (value > 255)
            return false;
    }
    return parts.size() == 4;
}

QString padName16(const QString& text) {
    QString out = text.left(16);
    while (out.size() < 16)
        out.append(u' ');
    for (QChar& c : out) {
        const ushort u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
            c = QChar(ushort(u - 32));
        else if (u > 0xFF)
            c = c.toUpper();
    }
    return out;
}

} // namespace WireText
