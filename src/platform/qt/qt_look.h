#pragma once

// How the model's design values look in Qt: colours (including the desktop theme colours), fonts
// and the shared application style.

#include "ui/model/color.h"
#include "ui/model/control.h"

#include <QColor>
#include <QFont>
#include <QPalette>

namespace dcf {

/// The model colour as a Qt colour; theme colours are taken from `palette`.
QColor toQColor(Color color, const QPalette &palette);

/// The model font: family (with its metric-compatible free substitute), point size and weight.
QFont toQFont(const Font &font);

/// The font family that stands in for `family` where the latter is not installed ("Arial" ->
/// "Liberation Sans", "Courier New" -> "Liberation Mono"), or `family` itself.
QString substituteFamily(const QString &family);

/// Sets the look shared by every window (Fusion style), so that the program looks the same
/// everywhere. Call once after the application object exists.
void applyApplicationLook();

} // namespace dcf
