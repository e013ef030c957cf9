#pragma once

// What the running clock and the clock window's reactions get to work with: the shared state,
// both windows, the time base, the event processing, the desktop, and who watches the seconds.

#include "platform/desktop.h"
#include "platform/event_loop.h"
#include "platform/time_base.h"
#include "state/global.h"
#include "ui/clock_window.h"
#include "ui/main_window.h"

#include <cstdint>

namespace dcf {

/// A second as the running clock showed it.
struct ShownSecond
{
    int16_t hour = 0;
    int16_t minute = 0;
    int16_t second = 0;
    /// When it fell due on the time base's millisecond count: its place in the minute, and for
    /// second 0 of a later minute the end of the minute before.
    int64_t dueMilliseconds = 0;
};

/// Hears of every second the running clock shows, the moment both windows show it.
class SecondWatcher
{
public:
    virtual ~SecondWatcher() = default;
    virtual void secondShown([[maybe_unused]] const ShownSecond &second) { }
};

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
    /// Told of each second shown; none when nobody watches.
    SecondWatcher *seconds = nullptr;
};

} // namespace dcf
