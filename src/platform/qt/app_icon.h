#pragma once

// The program's icon for the Qt platform: window frames, the task bar and the package's menu
// entry show it.

#include <QIcon>
#include <QPixmap>

namespace dcf {

/// The program's icon, a radio-controlled clock: a clock face under an antenna with its waves.
/// Drawn at run time in the two sizes the window frame and the task bar use.
QIcon applicationIcon();

/// The icon drawn at `size` x `size` pixels.
QPixmap drawApplicationIcon(int size);

} // namespace dcf
