#include "ElementListing.h"

#include "ElementRecord.h"

QString ElementListing::macText(const QString& sectionName) {
    if (sectionName.size() != 12)
        return QString();
    QString out(17, u':');
    for (int i = 0; i < 12; ++i)
        out[i + i / 2] = sectionName[i].toUpper();
    return out;
}

std::optional<ElementListing::Entry> ElementListing::entryFor(const QString& sectionName) {
    const QString key = macText(sectionName);
    if (key.isEmpty() || seen_.contains(key))
        return std::nullopt;
    seen_.insert(key);
    Entry e;
    e.key = key;
    e.text = snapshot_.value(sectionName, ElementKeys::Name, QString()) + QStringLiteral(" [") +
             key + u']';
    e.encoder =
        ElementRecord::isEncoder(snapshot_.value(sectionName, ElementKeys::Role, QString()));
    return e;
}
