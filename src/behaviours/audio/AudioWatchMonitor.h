#pragma once
// The audio watch in the main window: the "Audio watch" dock shows every encoder of the
// list; those ticked (remembered per MAC in the user's settings) are asked for their level
// through the management endpoint (AudioWatch), and the window shows what their reports
// say:
// - each row's level bar with its peak of the last 3 s, the level text, the last 60 s of
//   levels and the state ("audio", "silent since 14:02:11", "overload", "no level
//   reports");
// - beside the encoder's node in the tree a mark while it is silent or overloaded, and its
//   state in what a screen reader says for the node;
// - every change of state as a row of the Events dock and a line of the event log, and as
//   a desktop notification while the window is not the active one.
// With no encoder ticked nothing is sent.

#include "core/audio/AudioWatch.h"
#include "core/shell/GatheredNotices.h"

#include <QHash>
#include <QObject>
#include <QPersistentModelIndex>
#include <QStringList>
#include <QTimer>

#include <functional>

class AudioWatchRow;
class DesktopNotifier;
class ElementTree;
class FleetEventLog;
class ManagementEndpoint;
class QCheckBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class SettingsStore;

class AudioWatchMonitor : public QObject {
    Q_OBJECT
public:
    struct Context {
        ElementTree* TreeView1 = nullptr;
        QTreeWidget* lstAudioWatch = nullptr;
        QCheckBox* chkWatchAll = nullptr;
        QLabel* lblAudioWatch = nullptr;
        ManagementEndpoint* endpoint = nullptr;
        SettingsStore* settings = nullptr;
        DesktopNotifier* notifier = nullptr;
        FleetEventLog* eventLog = nullptr;
        QString iniPath;
        std::function<bool()> windowActive;
    };
    static constexpr int kPeakHoldMs = 3000;

    explicit AudioWatchMonitor(Context context, QObject* parent = nullptr);

    // Takes the limits and the watched encoders from the settings and starts.
    void start();

    AudioWatch& watch() { return watch_; }
    // The row of an encoder (nullptr when it has none).
    QTreeWidgetItem* row(const QString& mac) const;

    // The strip of the last 60 s (AudioWatchRow::StripRole) ending at nowMs.
    static QByteArray strip(const std::deque<AudioWatch::Level>& levels, qint64 nowMs);

Q_SIGNALS:
    // A row shows a new report (benchmarks measure the time to it).
    void rowUpdated(int index);

private:
    void reloadSoon();
    void reload();
    void showLevel(int index);
    void showState(int index);
    void showSummary();
    void changed(int index, AudioState from, AudioState to);
    void rowChanged(QTreeWidgetItem* item, int column);
    void watchAllClicked();
    void saveWatched();
    void refreshStrips();
    QString stateText(int index) const;

    Context ctx_;
    AudioWatch watch_;
    QHash<QString, AudioWatchRow*> rows_;         // by MAC text
    QHash<QString, QPersistentModelIndex> nodes_; // the tree's, by MAC text
    QTimer reload_;
    QTimer strips_;
    GatheredNotices notices_;
    bool updating_ = false; // the program itself changes rows
    bool started_ = false;
};
