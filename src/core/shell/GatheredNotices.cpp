#include "GatheredNotices.h"

GatheredNotices::GatheredNotices(QString title, DesktopNotifier* notifier,
                                 std::function<bool()> windowActive, QObject* parent)
    : QObject(parent), title_(std::move(title)), notifier_(notifier),
      windowActive_(std::move(windowActive)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kGatherMs);
    connect(&timer_, &QTimer::timeout, this, &GatheredNotices::send);
}

void GatheredNotices::add(const QString& line) {
    if (notifier_ == nullptr || windowActive())
        return;
    pending_.append(line);
    if (!timer_.isActive())
        timer_.start();
}

void GatheredNotices::send() {
    QStringList lines;
    lines.swap(pending_);
    if (lines.isEmpty() || windowActive())
        return;
    const int more = int(lines.size()) - kLines;
    if (more > 0) {
        lines = lines.mid(0, kLines);
        lines.append(QStringLiteral("and %1 more").arg(more));
    }
    notifier_->notify(title_, lines.join(u'\n'));
}
