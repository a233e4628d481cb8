#pragma once
// The program's icon in the desktop's notification area (where the desktop has one): the
// application icon with the fleet's state as a badge (all answering, some not answering,
// not checked), the status line as its tool tip; a click raises the main window, and its
// menu has Show and Quit.  Where no notification service runs, the fleet check's
// notifications are shown as its messages (showMessage).

#include "views/ElementTree.h"

#include "core/fleet/FleetSchedule.h"

#include <QIcon>
#include <QObject>

#include <functional>
#include <memory>

class FleetMonitor;
class QMenu;
class QSystemTrayIcon;

class FleetTrayIcon : public QObject {
    Q_OBJECT
public:
    struct Context {
        FleetMonitor* fleet = nullptr;
        QIcon icon; // the application's
        std::function<void()> raise;
        std::function<void()> quit;
    };

    explicit FleetTrayIcon(Context context, QObject* parent = nullptr);
    ~FleetTrayIcon() override;

    // Shows the icon where the desktop has a notification area.
    void show();
    // A notification as the icon's message; false when there is no icon to show it.
    bool showMessage(const QString& title, const QString& text);

    static NodeMark stateOf(const FleetSchedule::Counts& counts, bool running);
    QString toolTip() const;
    NodeMark state() const { return state_; }

private:
    void follow(const QString& line);

    Context ctx_;
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* tray_;
    NodeMark state_ = NodeMark::None;
};
