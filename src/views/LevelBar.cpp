#include "LevelBar.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace {
constexpr int kWidthPixels = 140;
constexpr int kHeightPixels = 16;
} // namespace

LevelBar::LevelBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("VUMeter"));
    setFixedSize(kWidthPixels, kHeightPixels);
    setAccessibleName(QStringLiteral("Audio level"));
}

QSize LevelBar::sizeHint() const { return {kWidthPixels, kHeightPixels}; }

void LevelBar::setWidthTwips(int twips) {
    const int clamped = std::clamp(twips, 0, kFullWidthTwips);
    if (clamped == twips_)
        return;
    twips_ = clamped;
    update();
}

namespace {
QLinearGradient barGradient(qreal from, qreal to) {
    // The colours belong to positions of the full bar, so a short bar is only blue and a
    // loud one reaches red.
    QLinearGradient g(from, 0, to, 0);
    g.setColorAt(0.0, QColor(0, 0, 255));
    g.setColorAt(0.45, QColor(0, 200, 0));
    g.setColorAt(0.75, QColor(255, 255, 0));
    g.setColorAt(1.0, QColor(255, 0, 0));
    return g;
}
} // namespace

QColor LevelBar::colourAt(double fraction) {
    const QGradientStops stops = barGradient(0, 1).stops();
    fraction = std::clamp(fraction, 0.0, 1.0);
    for (int i = 1; i < stops.size(); ++i) {
        if (fraction > stops[i].first)
            continue;
        const double t = (fraction - stops[i - 1].first) / (stops[i].first - stops[i - 1].first);
        const QColor a = stops[i - 1].second;
        const QColor b = stops[i].second;
        return QColor(int(a.red() + t * (b.red() - a.red())),
                      int(a.green() + t * (b.green() - a.green())),
                      int(a.blue() + t * (b.blue() - a.blue())));
    }
    return stops.last().second;
}

void LevelBar::paintBar(QPainter& p, const QRect& rect, int twips) {
    const int shown =
        int(qint64(rect.width()) * std::clamp(twips, 0, kFullWidthTwips) / kFullWidthTwips);
    if (shown <= 0)
        return;
    p.fillRect(QRect(rect.left(), rect.top(), shown, rect.height()),
               barGradient(rect.left(), rect.left() + rect.width()));
}

void LevelBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const int shown = visiblePixels();
    if (shown <= 0)
        return;
    p.fillRect(QRect(0, 0, shown, kHeightPixels), barGradient(0, kWidthPixels));
}
