#include "FleetEventLog.h"

#include <QTreeWidget>

FleetEventLog::FleetEventLog(QTreeWidget* lstEvents, const QString& filePath, QObject* parent)
    : QObject(parent), lstEvents_(lstEvents) {
    if (!filePath.isEmpty())
        file_.emplace(filePath);
}

QString FleetEventLog::timeText(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void FleetEventLog::addRow(const QString& time, const QString& element, const QString& change) {
    while (lstEvents_->topLevelItemCount() >= kRowsShown)
        delete lstEvents_->takeTopLevelItem(0);
    auto* row = new QTreeWidgetItem({time, element, change});
    // A screen reader reads the whole row as one.
    row->setData(0, Qt::AccessibleTextRole,
                 time + QStringLiteral(", ") + element + QStringLiteral(", ") + change);
    lstEvents_->addTopLevelItem(row);
    lstEvents_->scrollToItem(row);
}

void FleetEventLog::add(const QDateTime& when, const QString& element, const QString& change) {
    const QString time = timeText(when);
    addRow(time, element, change);
    if (!file_)
        return;
    if (file_->append(time + u'\t' + element + u'\t' + change)) {
        fileFailing_ = false;
        return;
    }
    if (!fileFailing_) // said once until the file can be written again
        addRow(
            time, QStringLiteral("Event log file"),
            QStringLiteral("cannot be written (%1): %2").arg(file_->path(), file_->errorString()));
    fileFailing_ = true;
}
