#include "ElementIcons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace {

class ElementIconEngine final : public QIconEngine {
public:
    explicit ElementIconEngine(bool sending) : sending_(sending) {}

    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        p->save();
        p->setRenderHint(QPainter::Antialiasing);
        p->translate(rect.topLeft());
        p->scale(rect.width() / 16.0, rect.height() / 16.0);
        const bool off = mode == QIcon::Disabled;
        const QColor body =
            off ? QColor(150, 150, 150) : (sending_ ? QColor(30, 80, 170) : QColor(30, 130, 80));
        const QColor waves = off ? QColor(170, 170, 170) : QColor(230, 120, 20);

        // The unit: a rack box with a front-panel light.
        QPainterPath box;
        box.addRoundedRect(QRectF(0.5, 5.5, 9, 7), 1.2, 1.2);
        p->fillPath(box, body);
        p->setPen(QPen(body.darker(150), 0.8));
        p->drawPath(box);
        p->setPen(Qt::NoPen);
        p->setBrush(QColor(120, 255, 120));
        p->drawEllipse(QPointF(2.6, 9), 1.0, 1.0);

        // Waves to the right: opening away from the box when sending, towards it otherwise.
        p->setBrush(Qt::NoBrush);
        p->setPen(QPen(waves, 1.3, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 2; ++i) {
            const qreal r = 2.2 + 2.3 * i;
            const QRectF arc(sending_ ? 10 - r : 16 - r, 9 - r, 2 * r, 2 * r);
            if (sending_)
                p->drawArc(arc, -45 * 16, 90 * 16);
            else
                p->drawArc(arc, 135 * 16, 90 * 16);
        }
        p->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QIconEngine* clone() const override { return new ElementIconEngine(sending_); }
    QString key() const override { return QStringLiteral("TessovarElementIcon"); }

private:
    bool sending_;
};

} // namespace

namespace ElementIcons {
QIcon encoder() {
    return QIcon(new ElementIconEngine(true));
}
QIcon otherElement() {
    return QIcon(new ElementIconEngine(false));
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
    paintAudioMark(p, audio, at.translated(side, 0), side);
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
    return pm;
}

} // namespace ElementIcons
