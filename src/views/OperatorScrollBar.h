#pragma once
// A horizontal scroll bar that tells when its own context menu moves it.  The operator's
// steps with the mouse, the wheel and the keys, and the menu's edge and page entries,
// raise actionTriggered before the value changes; the menu's "Scroll here" sets the value
// directly and raises no action.  inContextMenu() is true while the menu's choice is
// applied, so a value change then is the operator's too.

#include <QScrollBar>

class OperatorScrollBar : public QScrollBar {
    Q_OBJECT
public:
    using QScrollBar::QScrollBar;

    bool inContextMenu() const { return inContextMenu_; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool inContextMenu_ = false;
};
