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

void LevelBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const int shown = visiblePixels();
    if (shown <= 0)
        return;
    // The colours belong to positions of the full bar, so a short bar is only blue and
    // a loud one reaches red.
    QLinearGradient g(0, 0, kWidthPixels, 0);
    g.setColorAt(0.0, QColor(0, 0, 255));
    g.setColorAt(0.45, QColor(0, 200, 0));
    g.setColorAt(0.75, QColor(255, 255, 0));
    g.setColorAt(1.0, QColor(255, 0, 0));
    p.fillRect(QRect(0, 0, shown, kHeightPixels), g);
}
