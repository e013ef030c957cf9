#pragma once

// The platform as it once was: it declares the window model's Window without including it.

#include <memory>

namespace dcf {

class Window;
class WindowHost;

class Desktop
{
public:
    virtual ~Desktop() = default;
    virtual std::unique_ptr<WindowHost> attach(Window &window) = 0;
};

} // namespace dcf
