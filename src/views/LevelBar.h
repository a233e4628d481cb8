#pragma once
// The audio level bar (VUMeter): a 140 x 16 pixel picture shading from blue through
// green and yellow to red, shown from its left edge up to the current width, never
// scaled.  The width is set in twips (15 twips to the pixel), 0 to 2100.

#include <QWidget>

class QPainter;

class LevelBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFullWidthTwips = 2100;
    static constexpr int kTwipsPerPixel = 15;

    explicit LevelBar(QWidget* parent = nullptr);

    void setWidthTwips(int twips); // clamped to 0..2100
    int widthTwips() const { return twips_; }
    int visiblePixels() const { return twips_ / kTwipsPerPixel; }

    // The bar's picture in rect, shown up to twips (of 2100 across rect); the colour of a
    // position of the bar (0 left, 1 right).  The audio watch's rows draw with them.
    static void paintBar(QPainter& p, const QRect& rect, int twips);
    static QColor colourAt(double fraction);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int twips_ = 0;
};
