#include "AudioRowDelegate.h"

#include "AudioWatchRow.h"
#include "LevelBar.h"

#include <QHeaderView>
#include <QPainter>
#include <QTreeView>

namespace {
constexpr int kBarPixels = 140;
constexpr int kMargin = 2;
} // namespace

void AudioRowDelegate::setColumnWidths(QTreeView* list) {
    const QFontMetrics fm = list->fontMetrics();
    const int padding = fm.horizontalAdvance(QStringLiteral("MM"));
    const auto width = [&](const QString& widest) {
        return fm.horizontalAdvance(widest) + padding;
    };
    QHeaderView* header = list->header();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    const QAbstractItemModel* model = list->model();
    const auto title = [&](int column) {
        return model->headerData(column, Qt::Horizontal).toString();
    };
    list->setColumnWidth(AudioWatchRow::Bar,
                         std::max(kBarPixels + 2 * kMargin, width(title(AudioWatchRow::Bar))));
    list->setColumnWidth(AudioWatchRow::Level, std::max(width(QStringLiteral("-100dBFS")),
                                                        width(title(AudioWatchRow::Level))));
    list->setColumnWidth(AudioWatchRow::Strip, std::max(AudioWatchRow::kStripPixels + 2 * kMargin,
                                                        width(title(AudioWatchRow::Strip))));
}

QSize AudioRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const QSize base = QStyledItemDelegate::sizeHint(option, index);
    const int height = std::max(base.height(), AudioWatchRow::kStripHeight + 2 * kMargin);
    if (index.column() == AudioWatchRow::Bar)
        return {kBarPixels + 2 * kMargin, height};
    if (index.column() == AudioWatchRow::Strip)
        return {AudioWatchRow::kStripPixels + 2 * kMargin, height};
    return {base.width(), height};
}

void AudioRowDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const int column = index.column();
    if (column != AudioWatchRow::Bar && column != AudioWatchRow::Strip) {
        QStyledItemDelegate::paint(p, option, index);
        return;
    }
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    plain.text.clear();
    QStyledItemDelegate::paint(p, plain, index); // the selection and focus, no text
    p->save();
    const int h = AudioWatchRow::kStripHeight;
    const int top = option.rect.top() + (option.rect.height() - h) / 2;
    if (column == AudioWatchRow::Bar) {
        const QRect bar(option.rect.left() + kMargin, top, kBarPixels, h);
        p->fillRect(bar, option.palette.color(QPalette::Base));
        LevelBar::paintBar(*p, bar, index.data(AudioWatchRow::BarRole).toInt());
        const int hold = index.data(AudioWatchRow::PeakHoldRole).toInt();
        if (hold > 0) {
            const int x =
                bar.left() + int(qint64(kBarPixels - 2) * hold / LevelBar::kFullWidthTwips);
            p->fillRect(QRect(x, bar.top(), 2, h), option.palette.color(QPalette::Text));
        }
        p->setPen(option.palette.color(QPalette::Mid));
        p->drawRect(bar.adjusted(0, 0, -1, -1));
    } else {
        const QRect strip(option.rect.left() + kMargin, top, AudioWatchRow::kStripPixels, h);
        p->fillRect(strip, option.palette.color(QPalette::Base));
        const QByteArray levels = index.data(AudioWatchRow::StripRole).toByteArray();
        for (int x = 0; x < levels.size() && x < strip.width(); ++x) {
            if (levels[x] == AudioWatchRow::kNoLevel)
                continue;
            const int height = std::clamp(int(uchar(levels[x])), 0, h);
            if (height == 0)
                continue;
            p->setPen(LevelBar::colourAt(double(height) / h));
            p->drawLine(strip.left() + x, strip.bottom(), strip.left() + x,
                        strip.bottom() - height + 1);
        }
        p->setPen(option.palette.color(QPalette::Mid));
        p->drawRect(strip.adjusted(0, 0, -1, -1));
    }
    p->restore();
}
