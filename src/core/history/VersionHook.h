#pragma once
// How a behaviour that has just stored an element's configuration in nms.ini asks for a
// version of it in the history: one call at the place of the write.  An empty hook (tests,
// the history switched off) does nothing.

#include "HistorySource.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>

using VersionHook = std::function<void(const QString& section, HistorySource source)>;
// The sections a discovery stored, each with the entries written into it.
using StoredSections = QList<QPair<QString, QList<QPair<QString, QString>>>>;
using AnswersHook = std::function<void(const StoredSections& sections)>;

inline void recordVersion(const VersionHook& hook, const QString& section, HistorySource source) {
    if (hook)
        hook(section, source);
}

inline void recordAnswers(const AnswersHook& hook, const StoredSections& sections) {
    if (hook)
        hook(sections);
}
