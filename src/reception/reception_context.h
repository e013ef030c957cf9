#pragma once

// What the reception gets to work with: the shared state, the main window, the machine's time,
// serial port and desktop, its event processing, and where a complete minute goes next.

#include "platform/desktop.h"
#include "platform/event_loop.h"
#include "platform/serial_port.h"
#include "platform/time_base.h"
#include "state/global.h"
#include "ui/main_window.h"

#include <functional>

namespace dcf {

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
    /// Runs when the reception has ended: the decoder, then the running clock.
    std::function<void()> finished;
};

} // namespace dcf
