#pragma once

// The telegram decoder: chkPuls(0..58) -> minute, hour, date and zone in Global, and the German
// texts of both windows' date panels.

#include "platform/event_loop.h"
#include "state/global.h"
#include "ui/clock_window.h"
#include "ui/main_window.h"

namespace dcf {

/// What the decoder reads and writes.
struct DecodingContext
{
    Global &g;
    MainWindow &frmDCF77;
    ClockWindowAccess frmZeit;
    /// Its yields; Exit ends the decoder through them.
    EventLoop &events;
};

void DecodeTelegram(const DecodingContext &context);

} // namespace dcf
