#include "ElementIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace ElementIcons {
QIcon encoder() {
    return QIcon(QStringLiteral(":/images/encoder.svg"));
}
QIcon otherElement() {
    return QIcon(QStringLiteral(":/images/element.svg"));
}
QIcon toolbar(const QString& name) {
    return QIcon(QStringLiteral(":/images/%1.svg").arg(name));
}
} // namespace ElementIcons

namespace ElementIcons {

QSize markedSize(int side) { return QSize(side * 2 + side / 4, side); }

namespace {
// The mark in the square at; side: the height of the image it goes with.
void paintMark(QPainter& p, const QRectF& at, NodeMark mark, qreal side) {
    switch (mark) {
    case NodeMark::Answering:
        p.setPen(QPen(QColor(0, 110, 0), side / 16.0));
        p.setBrush(QColor(40, 190, 40));
        p.drawEllipse(at);
        break;
    case NodeMark::NotAnswering: {
        p.setPen(QPen(QColor(140, 0, 0), side / 16.0));
        p.setBrush(QColor(220, 30, 30));
        p.drawEllipse(at);
        p.setPen(QPen(Qt::white, side / 8.0, Qt::SolidLine, Qt::RoundCap));
        const QRectF x = at.adjusted(at.width() * 0.3, at.height() * 0.3, -at.width() * 0.3, -at.height() * 0.3);
        p.drawLine(x.topLeft(), x.bottomRight());
        p.drawLine(x.topRight(), x.bottomLeft());
        break;
    }
    case NodeMark::NotChecked:
        p.setPen(QPen(QColor(130, 130, 130), side / 8.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(at.adjusted(side * 0.06, side * 0.06, -side * 0.06, -side * 0.06));
        break;
    case NodeMark::None:
        break;
    }
}
} // namespace

QPixmap withMark(const QIcon& image, NodeMark mark, int side, qreal devicePixelRatio) {
    const QSize size = markedSize(side);
    QPixmap pm(size * devicePixelRatio);
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    image.paint(&p, QRect(0, 0, side, side));
    paintMark(p, QRectF(size.width() - side + side * 0.15, side * 0.15, side * 0.7, side * 0.7),
              mark, side);
    return pm;
}

QIcon withBadge(const QIcon& image, NodeMark mark) {
    QIcon out;
    for (const int side : {16, 22, 24, 32, 48, 64, 128}) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        image.paint(&p, QRect(0, 0, side, side));
        // The badge's own background keeps it readable on any icon.
        const QRectF at(side * 0.45, side * 0.45, side * 0.55, side * 0.55);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 220));
        p.drawEllipse(at.adjusted(-side * 0.03, -side * 0.03, side * 0.03, side * 0.03));
        paintMark(p, at, mark, at.height() / 0.7);
        p.end();
        out.addPixmap(pm);
    }
    return out;
}

} // namespace ElementIcons
