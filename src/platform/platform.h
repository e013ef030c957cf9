#pragma once

// Everything the logic needs from the machine, in one bundle. The real program fills it with the
// Qt implementations (platform/qt), the tests with doubles that run in virtual time.

#include "platform/desktop.h"
#include "platform/event_loop.h"
#include "platform/serial_port.h"
#include "platform/time_base.h"

namespace dcf {

struct Platform
{
    EventLoop &events;
    TimeBase &time;
    SerialPort &serial;
    Desktop &desktop;
};

} // namespace dcf
