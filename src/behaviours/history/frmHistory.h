#pragma once
// The History window: the elements that have a history (those no longer in nms.ini
// marked), the chosen element's versions (time, source, operator, the keys that
// changed), a version side by side with another one or with what nms.ini holds now (the
// rows that differ say so in words and in bold, not only by colour), and "Load into
// panel".  Not modal: the operator chooses the element to load into in the main window
// while it is open.

#include "core/history/HistoryVersion.h"
#include "views/HistoryWindowUi.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QTimer>

class ConfigurationHistory;
class HistoryPanelLoad;

class frmHistory : public QDialog {
    Q_OBJECT
public:
    struct Context {
        ConfigurationHistory* history = nullptr;
        HistoryPanelLoad* loader = nullptr;
    };
    static inline const QString NowInDatabase = QStringLiteral("What nms.ini holds now");

    explicit frmHistory(Context context, QWidget* parent = nullptr);

    // Reads the history again and chooses that element (the first one when it has none).
    void showFor(const QString& mac);
    HistoryWindowUi& ui() { return ui_; }
    QString chosenElement() const { return mac_; }
    const QList<HistoryVersion>& versions() const { return versions_; }

    void chooseElement(const QString& mac);
    void chooseVersion(int index);    // index into versions(), newest first
    void compareWith(int comboIndex); // 0: nms.ini now, k: versions()[k - 1]
    void loadIntoPanel();

private:
    void reloadElements();
    void showVersions();
    const HistoryVersion* chosenVersion() const;

    Context ctx_;
    HistoryWindowUi ui_;
    QString mac_;
    QList<HistoryVersion> versions_;
    QTimer refresh_; // versions added while open: read again once they settle
};
