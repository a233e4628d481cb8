#include "ElementTree.h"

#include <QKeyEvent>

ElementTree::ElementTree(QWidget* parent) : QTreeWidget(parent) {
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node, int) { Q_EMIT NodeClick(node); });
}

QString ElementTree::nodeKey(const QTreeWidgetItem* node) {
    return node == nullptr ? QString() : node->data(0, KeyRole).toString();
}

int ElementTree::nodeImage(const QTreeWidgetItem* node) {
    return node == nullptr ? 0 : node->data(0, ImageRole).toInt();
}

void ElementTree::keyPressEvent(QKeyEvent* event) {
    QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    QTreeWidgetItem* now = currentItem();
    if (now == nullptr)
        return;
    const int key = event->key();
    const bool choose = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
    if (now != before || choose)
        Q_EMIT NodeClick(now);
}
