#include "app/windowicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace norvel {

namespace {

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // The pole
    p.setPen(QPen(QColor(64, 64, 64), 1.5));
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(QRectF(9, 2, 14, 28));
    // The crack
    QPainterPath crack;
    crack.moveTo(9, 12);
    crack.lineTo(14, 15);
    crack.lineTo(17, 13);
    crack.lineTo(23, 18);
    p.setPen(QPen(Qt::black, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(crack);
    // The gauge across it
    p.setPen(QPen(QColor(255, 0, 0), 2));
    p.drawLine(QPointF(16, 6), QPointF(16, 24));
    p.drawLine(QPointF(13, 6), QPointF(19, 6));
    p.drawLine(QPointF(13, 24), QPointF(19, 24));
    return pixmap;
}

} // namespace

QIcon makeWindowIcon()
{
    QIcon icon;
    icon.addPixmap(drawIcon(32));
    icon.addPixmap(drawIcon(16));
    return icon;
}

} // namespace norvel
