#include "DialogArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QPixmap transparent(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QIcon strokeGlyph(const QColor &color, const QList<QPolygonF> &strokes)
{
    QPixmap pixmap = transparent(QSize(16, 16));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const QPolygonF &stroke : strokes)
        p.drawPolyline(stroke);
    return QIcon(pixmap);
}

} // namespace

QPixmap userPicture(int size)
{
    QPixmap pixmap = transparent(QSize(size, size));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(52, 101, 164));
    p.drawEllipse(QRectF(7.5, 2, 9, 9));
    QPainterPath shoulders;
    shoulders.moveTo(3, 23);
    shoulders.cubicTo(3, 15, 8, 12.5, 12, 12.5);
    shoulders.cubicTo(16, 12.5, 21, 15, 21, 23);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
    return pixmap;
}

QPixmap passwordPicture(int size)
{
    QPixmap pixmap = transparent(QSize(size, size));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    const QColor gold(196, 140, 20);
    p.setPen(QPen(gold, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(2.5, 8, 8, 8));
    p.drawLine(QPointF(10.5, 12), QPointF(21.5, 12));
    p.drawLine(QPointF(17, 12), QPointF(17, 16.5));
    p.drawLine(QPointF(21, 12), QPointF(21, 17));
    return pixmap;
}

QIcon okGlyph()
{
    return strokeGlyph(QColor(0, 128, 0), {QPolygonF({{2.5, 8.5}, {6.5, 12.5}, {13.5, 3.5}})});
}

QIcon cancelGlyph()
{
    return strokeGlyph(QColor(200, 0, 0), {QPolygonF({{3.5, 3.5}, {12.5, 12.5}}),
                                           QPolygonF({{12.5, 3.5}, {3.5, 12.5}})});
}

QPixmap programLogo(QSize size)
{
    QPixmap pixmap = transparent(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area(1, 1, size.width() - 2, size.height() - 2);
    QLinearGradient fill(area.topLeft(), area.bottomRight());
    fill.setColorAt(0, QColor(32, 96, 176));
    fill.setColorAt(1, QColor(12, 44, 96));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(area, 10, 10);

    // A serial line on the left joined to a network on the right: what the modules do.
    const qreal y = area.bottom() - area.height() * 0.2;
    p.setPen(QPen(QColor(255, 255, 255, 170), 2));
    p.drawLine(QPointF(area.left() + 10, y), QPointF(area.right() - 10, y));
    p.setBrush(QColor(255, 200, 60));
    p.setPen(Qt::NoPen);
    for (qreal x : {area.left() + 10, area.center().x(), area.right() - 10})
        p.drawEllipse(QPointF(x, y), 3.5, 3.5);

    QFont font;
    font.setBold(true);
    font.setPixelSize(qRound(area.height() * 0.5));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(area.left(), area.top(), area.width(), area.height() * 0.72), Qt::AlignCenter,
               QStringLiteral("X7"));
    return pixmap;
}
