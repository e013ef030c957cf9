#pragma once

// The window model, which uses the platform's desktop: with the declaration above, a circle.

#include "platform/desktop.h"

namespace dcf {

class WindowHost
{
public:
    virtual ~WindowHost() = default;
};

class Window
{
public:
    void attach(Desktop &desktop);
};

} // namespace dcf
