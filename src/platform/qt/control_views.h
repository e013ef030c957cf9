#pragma once

// One Qt widget per model control. Each widget shows its control's properties and hands the
// user's input back to the model, which decides; the widget then follows the model.

#include "ui/model/control.h"

#include <functional>

class QWidget;

namespace dcf {

/// The way from a widget into the model. Every call from a Qt event handler passes through it, so
/// input can be dropped once the program has ended and no exception crosses a Qt frame.
class InputGate
{
public:
    virtual ~InputGate() = default;
    virtual void deliver(const std::function<void()> &call) = 0;
};

/// The widget of one control.
class ControlView
{
public:
    virtual ~ControlView() = default;
    virtual QWidget *widget() = 0;
    /// Shows the control's current value of `property` (at the next paint, never at once).
    virtual void showProperty(Property property) = 0;
};

/// Creates the widget of `control` as a child of `surface`, placed at its design geometry
/// (`twipsPerPixel` twips to a pixel) and showing all its properties. The surface owns the
/// widget.
ControlView *createControlView(Control &control, QWidget *surface, InputGate &gate,
                               double twipsPerPixel);

} // namespace dcf
