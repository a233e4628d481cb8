#include "FleetTrayIcon.h"

#include "FleetMonitor.h"

#include "views/ElementIcons.h"

#include <QMenu>
#include <QSystemTrayIcon>

FleetTrayIcon::FleetTrayIcon(Context context, QObject* parent)
    : QObject(parent), ctx_(std::move(context)), menu_(std::make_unique<QMenu>()),
      tray_(new QSystemTrayIcon(this)) {
    connect(menu_->addAction(QStringLiteral("&Show")), &QAction::triggered, this,
            [this] { ctx_.raise(); });
    QAction* quit = menu_->addAction(QStringLiteral("&Quit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, [this] { ctx_.quit(); });
    tray_->setContextMenu(menu_.get());
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
            ctx_.raise();
    });
    connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] { ctx_.raise(); });
    connect(ctx_.fleet, &FleetMonitor::statusShown, this, &FleetTrayIcon::follow);
    follow(QString());
}

FleetTrayIcon::~FleetTrayIcon() = default;

void FleetTrayIcon::show() {
    if (QSystemTrayIcon::isSystemTrayAvailable())
        tray_->show();
}

bool FleetTrayIcon::showMessage(const QString& title, const QString& text) {
    if (!tray_->isVisible() || !QSystemTrayIcon::supportsMessages())
        return false;
    tray_->showMessage(title, text, tray_->icon());
    return true;
}

NodeMark FleetTrayIcon::stateOf(const FleetSchedule::Counts& c, bool running) {
    if (!running || c.elements == 0)
        return NodeMark::NotChecked;
    if (c.notAnswering > 0)
        return NodeMark::NotAnswering;
    return c.answering > 0 ? NodeMark::Answering : NodeMark::NotChecked;
}

QString FleetTrayIcon::toolTip() const {
    return tray_->toolTip();
}

void FleetTrayIcon::follow(const QString& line) {
    const FleetCheck& check = ctx_.fleet->check();
    const NodeMark now = stateOf(check.schedule().counts(), check.isRunning());
    if (now != state_) {
        state_ = now;
        tray_->setIcon(ElementIcons::withBadge(ctx_.icon, now));
    }
    tray_->setToolTip(line.isEmpty() ? QStringLiteral("Tessovar NMS")
                                     : QStringLiteral("Tessovar NMS\n") + line);
}
