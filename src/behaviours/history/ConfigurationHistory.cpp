#include "ConfigurationHistory.h"

#include "behaviours/fleet/FleetEventLog.h"
#include "core/database/ElementRecord.h"
#include "core/database/IniSnapshot.h"

#include <QDateTime>
#include <QSet>

ConfigurationHistory::ConfigurationHistory(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)) {
    if (!ctx_.path.isEmpty())
        store_.emplace(ctx_.path);
}

void ConfigurationHistory::open() {
    if (!store_)
        return;
    if (store_->open()) {
        failing_ = false;
        if (!store_->setAsideAs().isEmpty() && ctx_.events != nullptr)
            ctx_.events->add(QDateTime::currentDateTime(), EventElement,
                             QStringLiteral("was damaged: set aside as %1, a new one is started")
                                 .arg(store_->setAsideAs()));
        return;
    }
    reportFailure();
}

void ConfigurationHistory::reportFailure() {
    if (failing_)
        return;
    failing_ = true;
    if (ctx_.events != nullptr)
        ctx_.events->add(QDateTime::currentDateTime(), EventElement,
                         store_->errorString() +
                             QStringLiteral("; the station goes on without the history"));
}

bool ConfigurationHistory::add(const QList<HistoryStore::Change>& changes) {
    if (!store_ || changes.isEmpty())
        return store_.has_value();
    const QString asideBefore = store_->setAsideAs();
    const int added = store_->add(changes);
    if (added < 0) {
        reportFailure();
        return false;
    }
    if (store_->setAsideAs() != asideBefore && ctx_.events != nullptr)
        ctx_.events->add(QDateTime::currentDateTime(), EventElement,
                         QStringLiteral("was damaged: set aside as %1, a new one is started")
                             .arg(store_->setAsideAs()));
    failing_ = false;
    if (added > 0) {
        QStringList macs;
        for (const HistoryStore::Change& c : changes)
            macs.append(c.mac);
        Q_EMIT versionsAdded(macs);
    }
    return true;
}

void ConfigurationHistory::recordSection(const QString& section, HistorySource source) {
    const QString mac = HistoryStore::macOf(section);
    if (!store_ || mac.isEmpty())
        return;
    const IniSnapshot db = IniSnapshot::load(ctx_.iniPath);
    if (db.keyCount(section) == 0)
        return;
    add({{mac, source, db.entries(section)}});
    Q_EMIT sectionRecorded(section, source);
}

VersionHook ConfigurationHistory::hook() {
    return [this](const QString& section, HistorySource source) { recordSection(section, source); };
}

void ConfigurationHistory::discoveryStarting() {
    inDiscovery_ = true;
    answers_.clear();
    previous_.clear();
    const IniSnapshot db = IniSnapshot::load(ctx_.iniPath);
    QList<HistoryStore::Change> kept;
    for (const QString& section : db.sectionNames()) {
        const QString mac = HistoryStore::macOf(section);
        if (mac.isEmpty())
            continue;
        kept.append({mac, HistorySource::KeptBeforeDiscovery, db.entries(section)});
        const QString name = db.value(section, ElementKeys::Name, QString()).trimmed();
        previous_.append({section.toUpper(), name + QStringLiteral(" [") + mac + u']'});
    }
    previousKept_ = add(kept);
}

void ConfigurationHistory::answersStored(const StoredSections& sections) {
    QList<HistoryStore::Change> changes;
    for (const auto& [section, entries] : sections) {
        const QString mac = HistoryStore::macOf(section);
        if (!mac.isEmpty())
            changes.append({mac, HistorySource::DiscoveryAnswer, entries});
    }
    // During a discovery they wait for its end: one transaction for all its answers.
    if (inDiscovery_)
        answers_.append(changes);
    else
        add(changes);
}

void ConfigurationHistory::discoveryEnded() {
    inDiscovery_ = false;
    add(std::exchange(answers_, {}));
    if (!previousKept_ || ctx_.events == nullptr)
        return;
    QSet<QString> present;
    for (const QString& s : IniSnapshot::load(ctx_.iniPath).sectionNames())
        present.insert(s.toUpper());
    const QDateTime now = QDateTime::currentDateTime();
    for (const auto& [section, element] : std::exchange(previous_, {}))
        if (!present.contains(section))
            ctx_.events->add(now, element, NotAnswered);
}
