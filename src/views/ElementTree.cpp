#include "ElementTree.h"

#include "ElementIcons.h"

#include <QHash>
#include <QKeyEvent>
#include <QStyledItemDelegate>

namespace {

// Draws a node's state mark beside its image: the option's icon becomes the image and the
// mark side by side.  The node's own icon is left as the list set it.
class MarkDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const NodeMark mark = NodeMark(index.data(ElementTree::StateRole).toInt());
        const AudioMark audio = AudioMark(index.data(ElementTree::AudioRole).toInt());
        if (mark == NodeMark::None && audio == AudioMark::None)
            return;
        const int side = option->decorationSize.height();
        const qreal ratio = option->widget != nullptr ? option->widget->devicePixelRatioF() : 1.0;
        const QString key = QStringLiteral("%1/%2/%3/%4")
                                .arg(option->icon.cacheKey())
                                .arg(int(mark) * 8 + int(audio))
                                .arg(side)
                                .arg(ratio);
        QIcon icon = cache_.value(key);
        if (icon.isNull()) {
            icon = QIcon(ElementIcons::withMark(option->icon, mark, side, ratio, audio));
            cache_.insert(key, icon);
        }
        option->icon = icon;
        option->decorationSize = ElementIcons::markedSize(side, audio);
    }

private:
    mutable QHash<QString, QIcon> cache_; // a few images times four marks
};

} // namespace

ElementTree::ElementTree(QWidget* parent) : QTreeWidget(parent) {
    setItemDelegate(new MarkDelegate(this));
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node, int) { Q_EMIT NodeClick(node); });
}

QString ElementTree::nodeKey(const QTreeWidgetItem* node) {
    return node == nullptr ? QString() : node->data(0, KeyRole).toString();
}

int ElementTree::nodeImage(const QTreeWidgetItem* node) {
    return node == nullptr ? 0 : node->data(0, ImageRole).toInt();
}

void ElementTree::speak(QAbstractItemModel* model, const QModelIndex& node, int role,
                        const QString& part) {
    // Only what changed is set: every change repaints the node and tells the reader.
    if (node.data(role).toString() != part)
        model->setData(node, part, role);
    QString spoken = node.data(Qt::DisplayRole).toString();
    for (const int r : {FleetSpokenRole, AudioSpokenRole}) {
        const QString p = node.data(r).toString();
        if (!p.isEmpty())
            spoken += QStringLiteral(", ") + p;
    }
    if (node.data(Qt::AccessibleTextRole).toString() != spoken)
        model->setData(node, spoken, Qt::AccessibleTextRole);
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
