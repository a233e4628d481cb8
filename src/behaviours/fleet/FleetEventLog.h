#pragma once
// The fleet check's event log: every change of an element's state as a row of the
// "Events" dock (time, element, change) and as a line of a rotating file in the per-user
// data folder.  The dock keeps the newest rows only; a file that cannot be written is
// said in the dock, never passed over.

#include "core/fleet/EventLogFile.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

class QTreeWidget;

class FleetEventLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kRowsShown = 1000;

    // filePath empty: no file.
    FleetEventLog(QTreeWidget* lstEvents, const QString& filePath, QObject* parent = nullptr);

    void add(const QDateTime& when, const QString& element, const QString& change);

    static QString timeText(const QDateTime& when);

private:
    void addRow(const QString& time, const QString& element, const QString& change);

    QTreeWidget* lstEvents_;
    std::optional<EventLogFile> file_;
    bool fileFailing_ = false;
};
