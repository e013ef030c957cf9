#include "platform/qt/app_icon.h"

#include "platform/qt/qt_look.h"

#include <QPainter>
#include <QPainterPath>

namespace dcf {

namespace {

constexpr int kLargeSize = 32;
constexpr int kSmallSize = 16;

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

    // The same peach and dark red-brown as the two windows.
    const QColor face = toQColor(colors::kLightPeach, {});
    const QColor rim = toQColor(colors::kDarkRedBrown, {});

    // Clock face in the lower left; everything stays inside the grid with its pen.
    const QRectF dial(2, 9, 21, 21);
    painter.setPen(QPen(rim, 2.5));
    painter.setBrush(face);
    painter.drawEllipse(dial);
    const QPointF centre = dial.center();
    painter.setPen(QPen(kHands, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(0, -7)); // minute hand at twelve
    painter.drawLine(centre, centre + QPointF(4.5, 2)); // hour hand a little after four

    // Antenna mast on the dial's upper right, with two wave arcs around its top.
    const QPointF top(25, 6.5);
    painter.setPen(QPen(rim, 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(20.5, 12.5), top);
    painter.setPen(QPen(kWaves, 2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    for (const double radius : {3.0, 5.5})
        painter.drawArc(QRectF(top.x() - radius, top.y() - radius, 2 * radius, 2 * radius),
                        300 * 16, 120 * 16);
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
