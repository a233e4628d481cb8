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

QSize markedSize(int side, AudioMark audio) {
    return QSize(side * 2 + side / 4 + (audio == AudioMark::None ? 0 : side), side);
}

namespace {
void paintAudioMark(QPainter& p, AudioMark audio, const QRectF& at, int side) {
    switch (audio) {
    case AudioMark::Silent:
        p.setPen(QPen(QColor(70, 70, 70), side / 12.0));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(at);
        p.setPen(QPen(QColor(40, 40, 40), side / 8.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(at.left() + at.width() * 0.2, at.center().y()),
                   QPointF(at.right() - at.width() * 0.2, at.center().y()));
        break;
    case AudioMark::Overload: {
        QPolygonF triangle;
        triangle << QPointF(at.center().x(), at.top()) << at.bottomRight() << at.bottomLeft();
        p.setPen(QPen(QColor(150, 60, 0), side / 12.0));
        p.setBrush(QColor(255, 140, 0));
        p.drawPolygon(triangle);
        p.setPen(QPen(Qt::black, side / 10.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(at.center().x(), at.top() + at.height() * 0.35),
                   QPointF(at.center().x(), at.top() + at.height() * 0.68));
        p.drawPoint(QPointF(at.center().x(), at.top() + at.height() * 0.85));
        break;
    }
    case AudioMark::None:
        break;
    }
}

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

QPixmap withMark(const QIcon& image, NodeMark mark, int side, qreal devicePixelRatio,
                 AudioMark audio) {
    const QSize size = markedSize(side, audio);
    QPixmap pm(size * devicePixelRatio);
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    image.paint(&p, QRect(0, 0, side, side));
    const int fleetRight = markedSize(side).width();
    const QRectF at(fleetRight - side + side * 0.15, side * 0.15, side * 0.7, side * 0.7);
    paintMark(p, at, mark, side);
    paintAudioMark(p, audio, at.translated(side, 0), side);
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
