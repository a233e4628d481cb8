#pragma once
// The fleet check in the main window: every element of the list is pinged in turn (on by
// default every 10 s, 5 to 300 s or off, remembered in the user's settings), and the
// window shows what the answers say:
// - beside each node's image a state mark (answering, not answering for two checks in a
//   row, not checked yet), the round-trip time or the failure in its tool tip, and the
//   state in its accessible text;
// - a status bar line counting the elements by state;
// - every change of state in the event log (FleetEventLog), and as a desktop
//   notification when the window is not the active one.
//
// The elements are those of the list: each time the list is loaded the database is read
// again, and an element whose address stayed the same keeps its state.
//
// An answer costs the window only what it changes: a node's mark, tool tip and spoken
// text are set only when they differ from what the node shows, and the status line is
// brought up to date at most every kStatusEveryMs while answers arrive (a new text
// lays the status bar out again and repaints it).

#include "FleetEventLog.h"

#include "core/fleet/FleetCheck.h"
#include "core/shell/GatheredNotices.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPersistentModelIndex>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class DesktopNotifier;
class ElementTree;
class QLabel;
class QSpinBox;
class QTreeWidget;
class SettingsStore;

class FleetMonitor : public QObject {
    Q_OBJECT
public:
    struct Context {
        ElementTree* TreeView1 = nullptr;
        QLabel* lblFleetStatus = nullptr;
        QSpinBox* spnFleetInterval = nullptr;
        QTreeWidget* lstEvents = nullptr;
        QString iniPath;
        SettingsStore* settings = nullptr;
        DesktopNotifier* notifier = nullptr;
        QString eventLogPath; // empty: the event log is kept in the dock only
        std::function<bool()> windowActive;
    };

    static constexpr int kDefaultIntervalS = 10;
    static constexpr int kStatusEveryMs = 250;

    explicit FleetMonitor(Context context, QObject* parent = nullptr);

    // Takes the interval from the settings and starts checking (the end of start-up).
    void start();

    FleetCheck& check() { return check_; }
    FleetEventLog& eventLog() { return eventLog_; }

    // The stored interval: seconds 5 to 300 (brought to the nearest end), 0 for off; a
    // value that is not a number, or no value, gives 10.
    static int intervalFromSetting(const QString& text);
    static QString statusLine(const FleetSchedule::Counts& counts, bool running,
                              const QString& probeError);
    static QString roundTripText(qint64 roundTripUs);

Q_SIGNALS:
    // The status line was shown again (the counts may have changed): check().schedule()
    // and check().isRunning() tell the state.
    void statusShown(const QString& line);

private:
    void reloadSoon();
    void reload();
    void decorate(int index);
    void decorateAll();
    void showStatus();
    void showStatusSoon();
    void changed(const FleetChange& change);
    void intervalChosen(int value);
    void probeError(const QString& error);

    Context ctx_;
    FleetCheck check_;
    FleetEventLog eventLog_;
    QHash<QString, QPersistentModelIndex> nodes_; // by MAC text
    QHash<QString, QDateTime> downSince_;         // by MAC text
    // What each element's node shows (by index): an answer that changes nothing shown
    // costs no text and no look at the node.
    struct Shown {
        bool valid = false;
        bool running = false;
        FleetState state = FleetState::NotChecked;
        qint32 lastStatus = 0;
        qint64 roundTripUs = 0;
    };
    std::vector<Shown> shown_;
    QTimer reload_;
    QTimer status_;
    GatheredNotices notices_;
    bool started_ = false;
};
