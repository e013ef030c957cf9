#pragma once

// What the reception gets to work with: the shared state, the main window, the machine's time,
// serial port and desktop, its event processing, and who watches the marks it times.

#include "platform/desktop.h"
#include "platform/event_loop.h"
#include "platform/serial_port.h"
#include "platform/time_base.h"
#include "state/global.h"
#include "ui/main_window.h"

#include <cstdint>

namespace dcf {

/// A mark as the reception timed it.
struct MeasuredMark
{
    /// The arrival stamps of the edges that began and ended it (TimeBase::microseconds()).
    int64_t beginMicroseconds = 0;
    int64_t endMicroseconds = 0;
    /// Its length as the reception classifies it: seconds on the millisecond grid.
    double lengthSeconds = 0;
};

/// Hears of every edge the reception times, the moment it has been handled. The benchmark
/// measures the timing through it; the reception does not depend on anyone listening.
class MarkWatcher
{
public:
    virtual ~MarkWatcher() = default;
    /// A mark began with an edge that arrived at `arrivalMicroseconds`.
    virtual void markBegan([[maybe_unused]] int64_t arrivalMicroseconds) { }
    /// A mark ended and was measured.
    virtual void markMeasured([[maybe_unused]] const MeasuredMark &mark) { }
};

struct ReceptionContext
{
    Global &g;
    MainWindow &frmDCF77;
    /// Its yields and waits; Exit and a new Start end the reception through them.
    EventLoop &events;
    TimeBase &time;
    SerialPort &serial;
    /// Message boxes and the user's decimal separator.
    Desktop &desktop;
    /// Told of each mark; none when nobody watches.
    MarkWatcher *marks = nullptr;
};

} // namespace dcf
