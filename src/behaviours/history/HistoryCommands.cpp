#include "HistoryCommands.h"

#include "ConfigurationHistory.h"
#include "HistoryPanelLoad.h"
#include "frmHistory.h"
#include "views/ElementTree.h"

#include <QAction>
#include <QMenu>

HistoryCommands::HistoryCommands(Context context, QObject* parent)
    : QObject(parent), ctx_(context) {
    action_ = new QAction(QStringLiteral("&History..."), ctx_.window);
    action_->setObjectName(QStringLiteral("actHistory"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    action_->setShortcutContext(Qt::WindowShortcut);
    action_->setToolTip(
        QStringLiteral("The configuration history of the selected element (Ctrl+H)"));
    ctx_.window->addAction(action_);
    connect(action_, &QAction::triggered, this, [this] { open(); });

    ElementTree* tree = ctx_.TreeView1;
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree, &QWidget::customContextMenuRequested, this, [this, tree](const QPoint& at) {
        QTreeWidgetItem* node = tree->itemAt(at);
        if (node == nullptr)
            node = tree->currentItem();
        const QString mac = ElementTree::nodeKey(node);
        QMenu menu(tree);
        QAction* history = menu.addAction(QStringLiteral("&History..."));
        history->setShortcut(action_->shortcut());
        if (menu.exec(tree->viewport()->mapToGlobal(at)) == history)
            open(mac);
    });

    connect(tree, &ElementTree::NodeClick, ctx_.loader, &HistoryPanelLoad::clearMarks);
    connect(ctx_.history, &ConfigurationHistory::sectionRecorded, ctx_.loader,
            [this](const QString& section, HistorySource source) {
                if (source == HistorySource::ConfirmedConfiguration)
                    ctx_.loader->confirmed(section);
            });
}

void HistoryCommands::open(const QString& mac) {
    QString chosen = mac;
    if (chosen.isEmpty())
        chosen = ElementTree::nodeKey(ctx_.TreeView1->currentItem());
    if (window_.isNull())
        window_ = new frmHistory({ctx_.history, ctx_.loader}, ctx_.window);
    window_->showFor(chosen);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

frmHistory* HistoryCommands::window() const {
    return window_.data();
}
