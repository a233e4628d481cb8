#include "ElementFilter.h"

#include "views/ElementTree.h"

#include <QKeyEvent>
#include <QLineEdit>

ElementFilter::ElementFilter(QLineEdit* txtFilter, ElementTree* TreeView1, QObject* parent)
    : QObject(parent), txtFilter_(txtFilter), tree_(TreeView1) {
    connect(txtFilter_, &QLineEdit::textChanged, this, &ElementFilter::apply);
    txtFilter_->installEventFilter(this);
    // A load adds its nodes in one step; they are filtered before they are painted.
    connect(tree_->model(), &QAbstractItemModel::rowsInserted, this, [this] {
        if (!txtFilter_->text().isEmpty())
            apply();
    });
}

bool ElementFilter::matches(const QString& filter, const QString& nodeText,
                            const QString& address) {
    const QString f = filter.trimmed();
    return f.isEmpty() || nodeText.contains(f, Qt::CaseInsensitive) ||
           address.contains(f, Qt::CaseInsensitive);
}

int ElementFilter::apply() {
    const QString filter = txtFilter_->text();
    int shown = 0;
    // One relayout for the whole list, not one per node.
    tree_->setUpdatesEnabled(false);
    for (int i = 0, n = tree_->topLevelItemCount(); i < n; ++i) {
        QTreeWidgetItem* node = tree_->topLevelItem(i);
        const bool show =
            matches(filter, node->text(0), node->data(0, ElementTree::AddressRole).toString());
        if (node->isHidden() == show)
            node->setHidden(!show);
        shown += show ? 1 : 0;
    }
    tree_->setUpdatesEnabled(true);
    const QString described =
        filter.isEmpty()
            ? QString()
            : QStringLiteral("%1 of %2 elements shown").arg(shown).arg(tree_->topLevelItemCount());
    txtFilter_->setAccessibleDescription(described);
    txtFilter_->setToolTip(described);
    return shown;
}

bool ElementFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtFilter_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !txtFilter_->text().isEmpty()) {
        txtFilter_->clear();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
