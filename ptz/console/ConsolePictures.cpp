#include "console/ConsolePictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

QPixmap switchPicture(bool on)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(on ? QColor(40, 170, 70) : QColor(170, 170, 170));
    p.drawRoundedRect(QRectF(2, 9, 28, 14), 7, 7);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(on ? 17 : 3, 10, 12, 12));
    return pixmap;
}

// A pan-tilt head on its mast throwing a beam of light.
void drawHead(QPainter &p, const QRectF &box)
{
    const qreal s = box.height() / 64.0;
    auto at = [&](qreal x, qreal y) { return QPointF(box.left() + x * s, box.top() + y * s); };
    QPainterPath beam;
    beam.moveTo(at(30, 24));
    beam.lineTo(at(64 + (box.width() / s - 64), 4));
    beam.lineTo(at(64 + (box.width() / s - 64), 44));
    beam.closeSubpath();
    QLinearGradient light(at(30, 24), at(box.width() / s, 24));
    light.setColorAt(0, QColor(255, 240, 150, 230));
    light.setColorAt(1, QColor(255, 240, 150, 0));
    p.fillPath(beam, light);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 80, 95));
    p.drawRect(QRectF(at(14, 36), at(20, 60)));
    p.drawRect(QRectF(at(6, 58), at(28, 62)));
    p.setBrush(QColor(40, 50, 65));
    p.drawRoundedRect(QRectF(at(4, 16), at(32, 36)), 4 * s, 4 * s);
    p.setBrush(QColor(255, 230, 120));
    p.drawEllipse(QRectF(at(26, 19), at(34, 31)));
}

} // namespace

QPixmap switchOnPicture()
{
    return switchPicture(true);
}

QPixmap switchOffPicture()
{
    return switchPicture(false);
}

QPixmap bannerPicture()
{
    QPixmap pixmap(150, 40);
    pixmap.fill(QColor(25, 35, 55));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawHead(p, QRectF(6, 0, 144, 40));
    return pixmap;
}

QPixmap aboutPicture()
{
    QPixmap pixmap(96, 64);
    pixmap.fill(QColor(25, 35, 55));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    drawHead(p, QRectF(4, 0, 92, 64));
    return pixmap;
}
