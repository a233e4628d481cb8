#pragma once
// Draws the level bar (as the panel's, with a peak-hold mark) and the 60 s strip of the
// audio watch's rows from their roles (AudioWatchRow); every other cell as usual.

#include <QStyledItemDelegate>

class QTreeView;

class AudioRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Widths the columns keep, so that no new report makes the list measure its rows: the
    // bar and the strip as drawn, the level text as wide as its widest ("-100dBFS").
    static void setColumnWidths(QTreeView* list);
};
