#pragma once

// The window model, which uses the platform's desktop: with the declaration above, a circle.

#include "platform/desktop.h"

namespace dcf {

class Window
{
};

} // namespace dcf
