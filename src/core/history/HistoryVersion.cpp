#include "HistoryVersion.h"

#include <QHash>

QString HistoryVersion::value(const QString& key, const QString& fallback) const {
    const QString k = key.toUpper();
    for (const auto& [name, v] : keys)
        if (name == k)
            return v;
    return fallback;
}

namespace HistoryKeyText {

QString join(const HistoryKeys& keys) {
    QStringList lines;
    lines.reserve(keys.size());
    for (const auto& [k, v] : keys)
        lines.append(k + u'=' + v);
    return lines.join(u'\n');
}

HistoryKeys split(const QString& text) {
    HistoryKeys keys;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0)
            keys.append({line.left(eq), line.mid(eq + 1)});
    }
    return keys;
}

QStringList changedKeys(const HistoryKeys& before, const HistoryKeys& after) {
    QHash<QString, QString> old;
    for (const auto& [k, v] : before)
        old.insert(k, v);
    QHash<QString, QString> now;
    QStringList changed;
    for (const auto& [k, v] : after) {
        now.insert(k, v);
        const auto it = old.constFind(k);
        if (it == old.constEnd() || *it != v)
            changed.append(k);
    }
    for (const auto& [k, v] : before)
        if (!now.contains(k) && !changed.contains(k))
            changed.append(k);
    return changed;
}

HistoryKeys normalised(const HistoryKeys& keys) {
    HistoryKeys out;
    out.reserve(keys.size());
    for (const auto& [k, v] : keys) {
        const QString key = k.trimmed().toUpper();
        // A key the text form cannot carry is left out rather than stored wrongly.
        if (!key.isEmpty() && !key.contains(u'=') && !key.contains(u'\n') && !v.contains(u'\n'))
            out.append({key, v});
    }
    return out;
}

} // namespace HistoryKeyText
