#include "platform/qt/app_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace dcf {

namespace {

constexpr int kLargeSize = 32;
constexpr int kSmallSize = 16;

// The same peach and dark red-brown as the two windows.
const QColor kFace(255, 224, 192);
const QColor kRim(128, 64, 64);
const QColor kHands(0, 0, 0);
const QColor kWaves(192, 0, 0);

} // namespace

QPixmap drawApplicationIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Everything is laid out on a 32-unit grid and scaled, so both sizes show the same picture.
    painter.scale(size / double(kLargeSize), size / double(kLargeSize));

    // Clock face in the lower part.
    const QRectF face(3, 9, 22, 22);
    painter.setPen(QPen(kRim, 2.5));
    painter.setBrush(kFace);
    painter.drawEllipse(face);
    const QPointF centre = face.center();
    painter.setPen(QPen(kHands, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(0, -7.5)); // minute hand at twelve
    painter.drawLine(centre, centre + QPointF(5, 2)); // hour hand a little after four

    // Antenna mast at the top right with two wave arcs.
    painter.setPen(QPen(kRim, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(24, 12), QPointF(27, 4));
    painter.setPen(QPen(kWaves, 2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(23, 0, 8, 8), 300 * 16, 120 * 16);
    painter.drawArc(QRectF(21, -3, 14, 14), 300 * 16, 120 * 16);
    return pixmap;
}

QIcon applicationIcon()
{
    QIcon icon;
    icon.addPixmap(drawApplicationIcon(kLargeSize));
    icon.addPixmap(drawApplicationIcon(kSmallSize));
    return icon;
}

} // namespace dcf
