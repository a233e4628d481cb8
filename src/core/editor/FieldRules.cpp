#include "FieldRules.h"

namespace FieldRules {

QStringList SplitIP(const QString& text) {
    return text.split(u'.', Qt::KeepEmptyParts);
}

int addressPart(const QString& part) {
    const QString t = part.trimmed();
    if (t.isEmpty())
        return -1;
    int v = 0;
    for (QChar c : t) {
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c.unicode() - u'0');
        if (v > 255)
            return -1;
    }
    return v;
}

bool IsValidIP(const QString& text) {
    const QStringList parts = SplitIP(text);
    for (const QString& p : parts) {
        if (addressPart(p) < 0)
            return false;
    }
    return parts.size() == 4;
}

std::optional<quint32> ipv4Address(const QString& text) {
    const QStringList parts = SplitIP(text);
    if (parts.size() != 4)
        return std::nullopt;
    quint32 address = 0;
    for (const QString& p : parts) {
        const int v = addressPart(p);
        if (v < 0)
            return std::nullopt;
        address = address << 8 | quint32(v);
    }
    return address;
}

QString upperLatin1(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if ((u >= u'a' && u <= u'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
            c = QChar(char16_t(u - 32));
    }
    return out;
}

QString PadName16(const QString& text) {
    QString out = text.left(16);
    if (out.size() < 16)
        out += QString(16 - out.size(), u' ');
    return upperLatin1(out);
}

bool isNameCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u <= 0xFF);
}

} // namespace FieldRules
