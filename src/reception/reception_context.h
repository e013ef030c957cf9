#pragma once

// What the reception gets to work with: the shared state, the main window, the machine's time,
// serial port and desktop, and its event processing.

#include "platform/desktop.h"
#include "platform/event_loop.h"
#include "platform/serial_port.h"
#include "platform/time_base.h"
#include "state/global.h"
#include "ui/main_window.h"

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
};

} // namespace dcf
