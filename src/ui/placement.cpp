#include "ui/placement.h"

#include "ui/number_text.h"

#include <algorithm>
#include <cmath>

namespace dcf {

namespace {

/// What tells the horizontal placement from the vertical one: the screen's and the window's
/// extent, the window's edge, and the bar and number field of that edge.
struct Axis
{
    float (Desktop::*screenSize)() const;
    float (Window::*size)() const;
    float (Window::*edge)() const;
    void (Window::*setEdge)(float);
    ScrollBar MainWindow::*bar;
    TextBox MainWindow::*field;
};

constexpr Axis kHorizontal {
    .screenSize = &Desktop::screenWidth,
    .size = &Window::width,
    .edge = &Window::left,
    .setEdge = &Window::setLeft,
    .bar = &MainWindow::HScroll1,
    .field = &MainWindow::txtLeft,
};

constexpr Axis kVertical {
    .screenSize = &Desktop::screenHeight,
    .size = &Window::height,
    .edge = &Window::top,
    .setEdge = &Window::setTop,
    .bar = &MainWindow::VScroll1,
    .field = &MainWindow::txtTop,
};

/// The field shows where the window system actually put the window.
void showEdge(MainWindow &window, const Axis &axis)
{
    (window.*axis.field).setText(numberToText((window.*axis.edge)()));
}

void placeByBar(const PlacementContext &context, const Axis &axis)
{
    MainWindow &window = context.frmDCF77;
    const double edge = centredPosition((context.desktop.*axis.screenSize)(), (window.*axis.size)(),
                                        (window.*axis.bar).value());
    (window.*axis.setEdge)(clampToCoordinate(edge));
    showEdge(window, axis);
}

void placeByField(const PlacementContext &context, const Axis &axis)
{
    MainWindow &window = context.frmDCF77;
    (window.*axis.setEdge)(clampToCoordinate(textToNumber((window.*axis.field).text())));
}

} // namespace

double centredPosition(float screen, float window, int16_t barValue)
{
    const float halfScreen = screen / 2;
    const float halfWindow = window / 2;
    return std::floor(static_cast<double>(halfScreen) - static_cast<double>(halfWindow)
                      + static_cast<double>(barValue));
}

float clampToCoordinate(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<float>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

void HScroll1_Change(const PlacementContext &context)
{
    placeByBar(context, kHorizontal);
}

void VScroll1_Change(const PlacementContext &context)
{
    placeByBar(context, kVertical);
}

void txtLeft_Change(const PlacementContext &context)
{
    placeByField(context, kHorizontal);
}

void txtTop_Change(const PlacementContext &context)
{
    placeByField(context, kVertical);
}

void Form_MouseMove(const PlacementContext &context)
{
    showEdge(context.frmDCF77, kHorizontal);
    showEdge(context.frmDCF77, kVertical);
}

} // namespace dcf
