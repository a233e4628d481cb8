#include "ButtonAction.h"

#include <QAbstractButton>
#include <QEvent>

ButtonAction::ButtonAction(const QString& text, QAbstractButton* button, QObject* parent)
    : QAction(text, parent), button_(button) {
    button_->installEventFilter(this);
    connect(this, &QAction::triggered, button_, [this] {
        if (button_->isEnabled())
            button_->click();
    });
    follow();
}

bool ButtonAction::eventFilter(QObject* watched, QEvent* event) {
    if (watched == button_) {
        switch (event->type()) {
        case QEvent::EnabledChange:
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
            follow();
            break;
        default:
            break;
        }
    }
    return QAction::eventFilter(watched, event);
}

void ButtonAction::follow() {
    setEnabled(button_->isEnabled() && !button_->isHidden());
}
