#pragma once

// The whole program on the Qt platform: the platform services, the receiver's serial port and
// the two windows' logic. main() runs it; the headless run, the end-to-end tests and the
// benchmarks drive the very same object.

#include "app/chrony_feed_wiring.h"
#include "app/program_options.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_time_base.h"
#include "program/program.h"

#include <optional>
#include <utility>

class QWidget;

namespace dcf {

class Control;
class Window;

/// Application name, style and icon; call once after the QApplication exists.
void prepareApplication();

/// One line on how the serial reader thread is scheduled, for the start.
std::string readerSchedulingLine(ReaderScheduling scheduling);

class QtProgram
{
public:
    /// `chosen`: the receiver and chrony as chosen on the command line; by default the
    /// receiver's kind is recognised from its signal.
    explicit QtProgram(ProgramOptions chosen = {});
    QtProgram(const QtProgram &) = delete;
    QtProgram &operator=(const QtProgram &) = delete;

    /// The top-level widget that shows `window`, or null before it is attached.
    QWidget *surface(const Window &window) const;
    /// The widget that shows `control`, or null.
    QWidget *widget(const Control &control) const;

    const ProgramOptions options;
    QtTimeBase time;
    QtEventLoop events;
    QtSerialPort serial;
    /// With --chrony: the time service, fed from the port that the windows' reception holds.
    std::optional<ChronyFeedWiring> chrony;
    QtDesktop desktop;
    Platform platform {events, time, serial, desktop};
    Program program {platform, desktop};
};

} // namespace dcf
