#pragma once
// One version of an element's configuration as the history keeps it, and the plain
// operations on its keys (the text form stored in the database, the keys that differ).

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

using HistoryKeys = QList<QPair<QString, QString>>; // the section's keys, in file order

struct HistoryVersion {
    qint64 id = 0;  // grows with every version added
    QString mac;    // "00:1A:2B:3C:4D:5E"
    QDateTime time; // UTC
    QString source; // HistorySources::text
    QString operatorName;
    HistoryKeys keys;
    QStringList changed; // the keys that differ from the element's previous version

    // The value of a key (upper case, as nms.ini stores it); fallback when absent.
    QString value(const QString& key, const QString& fallback = {}) const;
};

// An element as the history lists it: its newest version tells its name and role.
struct HistoryElement {
    QString mac;
    int versionCount = 0;
    HistoryVersion newest;
};

namespace HistoryKeyText {

// One "KEY=value" a line; keys in upper case.
QString join(const HistoryKeys& keys);
HistoryKeys split(const QString& text);
// Keys added, removed or with another value, in the order of `after` then `before`.
QStringList changedKeys(const HistoryKeys& before, const HistoryKeys& after);
// Keys in upper case (as the database file writes them), blanks around them dropped.
HistoryKeys normalised(const HistoryKeys& keys);

} // namespace HistoryKeyText
