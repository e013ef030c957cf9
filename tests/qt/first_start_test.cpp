// The first Start of a fresh program on a real port: the port must open (nothing has set its
// line settings before).

#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_time_base.h"
#include "ui/program.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

namespace dcf {
namespace {

constexpr int kAfterTheResetMs = 1500;

TEST(FirstStart, OpensAPseudoTerminal)
{
    int controller = -1;
    int device = -1;
    ASSERT_EQ(::openpty(&controller, &device, nullptr, nullptr, nullptr), 0);
    const std::string path = ::ttyname(device);

    QtTimeBase time;
    QtEventLoop events;
    QtSerialPort serial;
    QtDesktop desktop;
    Platform platform {events, time, serial, desktop};
    Program program(platform);
    program.start();
    program.frmDCF77.txtComPort.setText(path);

    bool openAfterReset = false;
    QObject context;
    QTimer::singleShot(kAfterTheResetMs, &context, [&] {
        openAfterReset = serial.isOpen();
        program.cmdExit_Click();
    });
    program.frmDCF77.cmdStart.click();

    EXPECT_TRUE(openAfterReset);
    ::close(device);
    ::close(controller);
}

} // namespace
} // namespace dcf
