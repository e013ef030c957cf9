#pragma once

// How the logic yields to the window system: the long routines process pending events at every
// step and block here while they wait, so reactions of both windows run nested inside them.

namespace dcf {

/// The window system's event processing. Reactions of both windows run inside these calls.
class EventLoop
{
public:
    virtual ~EventLoop() = default;

    /// Handles every pending event (paints, clicks, typing, serial input) and returns.
    virtual void processPendingEvents() = 0;

    /// Blocks until something arrives (a window event or serial input), handles it and returns.
    /// Uses no processor time while it waits.
    virtual void waitForActivity() = 0;
};

} // namespace dcf
