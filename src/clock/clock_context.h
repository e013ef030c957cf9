#pragma once

// What the running clock and the clock window's reactions get to work with: the shared state,
// both windows, the time base, the event processing and the desktop.

#include "platform/desktop.h"
#include "platform/event_loop.h"
#include "platform/time_base.h"
#include "state/global.h"
#include "ui/clock_window.h"
#include "ui/main_window.h"

namespace dcf {

struct ClockContext
{
    Global &g;
    MainWindow &frmDCF77;
    ClockWindowAccess frmZeit;
    /// Yields to the window system; the running clock's yields may end it (Exit, a new Start).
    EventLoop &events;
    TimeBase &time;
    /// Screen size for the clock window's scroll bars, and the user's decimal separator.
    const Desktop &desktop;
};

} // namespace dcf
