#pragma once

// The platform as it once was: it declares the window model's Window without including it.

namespace dcf {

class Window;

struct Desktop
{
    void attach(Window &window);
};

} // namespace dcf
