#pragma once
// The main window remembers where it was: its size, position and maximised state and the
// layout of its toolbar and docks are stored when it closes, and given back before it is
// first shown.  A window stored on a screen that is gone (a monitor unplugged, a smaller
// resolution) comes back on a screen that exists, fully, at its stored size where that
// fits.

#include <QObject>
#include <QRect>

#include <QList>

class QMainWindow;
class WindowLayoutStore;

class WindowMemory : public QObject {
    Q_OBJECT
public:
    WindowMemory(QMainWindow* window, WindowLayoutStore* store, QObject* parent = nullptr);

    // Before the window is first shown, once every dock exists.
    void restore();
    void save();

    // Where a window of this frame goes among these screens (their available areas): the
    // frame itself when most of it lies on one; otherwise moved onto the screen its
    // centre is nearest, shrunk to that screen if it is larger.
    static QRect onExistingScreen(const QRect& frame, const QList<QRect>& screens);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMainWindow* window_;
    WindowLayoutStore* store_;
};
