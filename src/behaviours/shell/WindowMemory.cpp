#include "WindowMemory.h"

#include "core/shell/WindowLayoutStore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include <algorithm>
#include <climits>

WindowMemory::WindowMemory(QMainWindow* window, WindowLayoutStore* store, QObject* parent)
    : QObject(parent), window_(window), store_(store) {
    window_->installEventFilter(this);
}

bool WindowMemory::eventFilter(QObject* watched, QEvent* event) {
    // Every end of the program closes the main window first (the operator, Quit, a signal).
    if (watched == window_ && event->type() == QEvent::Close)
        save();
    return QObject::eventFilter(watched, event);
}

void WindowMemory::save() {
    if (store_ == nullptr)
        return;
    // A failed write loses only the window's place: nothing to tell the operator about
    // as the program ends.
    (void)store_->save({window_->saveGeometry(), window_->saveState()});
}

QRect WindowMemory::onExistingScreen(const QRect& frame, const QList<QRect>& screens) {
    if (screens.isEmpty() || frame.isEmpty())
        return frame;
    const qint64 area = qint64(frame.width()) * frame.height();
    for (const QRect& s : screens) {
        const QRect common = s.intersected(frame);
        if (qint64(common.width()) * common.height() * 2 > area)
            return frame;
    }
    const QRect* nearest = &screens.first();
    qint64 best = LLONG_MAX;
    for (const QRect& s : screens) {
        const QPoint d = s.center() - frame.center();
        const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (distance < best) {
            best = distance;
            nearest = &s;
        }
    }
    QRect placed(QPoint(), frame.size().boundedTo(nearest->size()));
    placed.moveCenter(nearest->center());
    return placed;
}

void WindowMemory::restore() {
    if (store_ == nullptr)
        return;
    const WindowLayoutStore::Layout layout = store_->load();
    if (layout.geometry.isEmpty() || !window_->restoreGeometry(layout.geometry))
        return;
    if (!layout.state.isEmpty())
        window_->restoreState(layout.state);
    if (window_->isMaximized() || window_->isFullScreen())
        return;
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens.append(s->availableGeometry());
    const QRect frame = window_->frameGeometry();
    const QRect placed = onExistingScreen(frame, screens);
    if (placed != frame) {
        window_->resize(placed.size() - (frame.size() - window_->size()));
        window_->move(placed.topLeft());
    }
}
