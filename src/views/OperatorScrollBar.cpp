#include "OperatorScrollBar.h"

#include <QScopedValueRollback>

void OperatorScrollBar::contextMenuEvent(QContextMenuEvent* event) {
    const QScopedValueRollback<bool> menu(inContextMenu_, true);
    QScrollBar::contextMenuEvent(event);
}
