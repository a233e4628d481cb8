#pragma once
// The configuration history in the main window: the store opened at start-up, a version
// for each configuration the station learns or changes (the hooks of the confirmation,
// the attenuation, the SFN window and the discovery), and what a discovery loses kept:
// - before a discovery empties nms.ini every element in it is in the history;
// - a discovery's answers go into the history in one transaction, once the list is
//   reloaded;
// - then each element of the previous database that did not answer is a row of the
//   "Events" dock and a line of the event log.
// A history that cannot be opened or written is said once in the "Events" dock (again
// after it worked in between); the station goes on without it.

#include "core/history/HistoryStore.h"
#include "core/history/VersionHook.h"

#include <QObject>
#include <QString>

class FleetEventLog;

class ConfigurationHistory : public QObject {
    Q_OBJECT
public:
    struct Context {
        QString iniPath;
        QString path; // history.sqlite; empty: no history
        FleetEventLog* events = nullptr;
    };

    static inline const QString NotAnswered = QStringLiteral(
        "did not answer the discovery; its last configuration is kept in the history");
    static inline const QString EventElement = QStringLiteral("Configuration history");

    explicit ConfigurationHistory(Context context, QObject* parent = nullptr);

    // Opens the store (start-up); a failure is reported, and every later change tries again.
    void open();
    HistoryStore* store() { return store_ ? &*store_ : nullptr; }
    QString iniPath() const { return ctx_.iniPath; }

    // The section as it stands in nms.ini now, as a version from that source.
    void recordSection(const QString& section, HistorySource source);
    VersionHook hook();

    void discoveryStarting(); // before nms.ini is emptied
    void answersStored(const StoredSections& sections);
    void discoveryEnded(); // after the list is reloaded

Q_SIGNALS:
    void versionsAdded(const QStringList& macs);
    // A section was recorded from that source (whether or not it changed anything).
    void sectionRecorded(const QString& section, HistorySource source);

private:
    bool add(const QList<HistoryStore::Change>& changes);
    void reportFailure();

    Context ctx_;
    std::optional<HistoryStore> store_;
    bool failing_ = false;
    bool inDiscovery_ = false;
    bool previousKept_ = false;
    QList<HistoryStore::Change> answers_;
    QList<QPair<QString, QString>> previous_; // section, element text
};
