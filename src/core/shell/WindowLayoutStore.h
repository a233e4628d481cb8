#pragma once
// Where the main window's size, position and dock layout are remembered between runs: a
// store of its own beside the system's settings, so those keep exactly the keys the
// program writes when they change.  A seam, so tests keep their windows to themselves.

#include <QByteArray>

class WindowLayoutStore {
public:
    struct Layout {
        QByteArray geometry; // QWidget::saveGeometry
        QByteArray state;    // QMainWindow::saveState: toolbar and docks
    };
    virtual ~WindowLayoutStore() = default;
    virtual Layout load() const = 0;
    // false when it could not be written.
    virtual bool save(const Layout& layout) = 0;
};

// ~/.config/Veltrana/Tessovar NMS.conf, both in the group [MainWindow].
class QtWindowLayoutStore final : public WindowLayoutStore {
public:
    Layout load() const override;
    bool save(const Layout& layout) override;
};
