// The serial port's failures and the port list on the real system: why an open failed, as the
// messages tell it, and what "ComPort No." suggests.

#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_open_failure.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_time_base.h"
#include "platform/qt/window_view.h"
#include "program/program.h"
#include "reception/port_messages.h"

#include <QCompleter>
#include <QLineEdit>
#include <QSerialPortInfo>
#include <QStringListModel>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dcf {
namespace {

struct ClassifyCase
{
    QSerialPort::SerialPortError error;
    int systemError;
    PortOpenFailure cause;
};

class OpenFailure : public ::testing::TestWithParam<ClassifyCase>
{
};

TEST_P(OpenFailure, IsClassifiedFromQtsErrorAndTheSystemError)
{
    EXPECT_EQ(classifyOpenFailure(GetParam().error, GetParam().systemError), GetParam().cause);
}

// Root opens any device, so CI meets no refusal: the refusal comes as the port reports it.
INSTANTIATE_TEST_SUITE_P(
    Reports, OpenFailure,
    ::testing::Values(
        ClassifyCase {QSerialPort::PermissionError, EACCES, PortOpenFailure::NoAccess},
        ClassifyCase {QSerialPort::PermissionError, EPERM, PortOpenFailure::NoAccess},
        ClassifyCase {QSerialPort::PermissionError, EBUSY, PortOpenFailure::InUse},
        ClassifyCase {QSerialPort::PermissionError, EEXIST, PortOpenFailure::InUse},
        ClassifyCase {QSerialPort::DeviceNotFoundError, ENOENT, PortOpenFailure::NoSuchDevice},
        ClassifyCase {QSerialPort::ResourceError, ENXIO, PortOpenFailure::NoSuchDevice},
        ClassifyCase {QSerialPort::ResourceError, EIO, PortOpenFailure::Other},
        ClassifyCase {QSerialPort::UnsupportedOperationError, ENOTTY, PortOpenFailure::Other}));

/// The message the reception shows for `port` after a failed open of `device`.
std::string messageAfterFailedOpen(const QtSerialPort &port, const std::string &device)
{
    return unopenablePortText(
        {device, port.openFailure(), port.errorText(), port.availablePorts()});
}

std::vector<std::string> systemPortPaths()
{
    std::vector<std::string> paths;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        paths.push_back(info.systemLocation().toStdString());
    std::ranges::sort(paths);
    return paths;
}

TEST(SerialPortOpen, MissingDeviceIsNamedWithThePortsTheSystemHas)
{
    QtSerialPort port;
    port.setPort("/dev/no-such-receiver");
    port.setSettings("38400,N,8,1");
    ASSERT_FALSE(port.open());

    EXPECT_EQ(port.openFailure(), PortOpenFailure::NoSuchDevice);
    const std::string message = messageAfterFailedOpen(port, "/dev/no-such-receiver");
    EXPECT_NE(message.find("/dev/no-such-receiver gibt es nicht"), std::string::npos) << message;
    const std::vector<std::string> paths = systemPortPaths();
    for (const std::string &path : paths) {
        EXPECT_NE(message.find("\n    " + path), std::string::npos) << path << '\n' << message;
    }
    if (paths.empty()) {
        EXPECT_NE(message.find("keine serielle Schnittstelle"), std::string::npos) << message;
    }
}

TEST(SerialPortOpen, PortHeldByAnotherProcessIsInUseUntilItLetsGo)
{
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const std::string path = ::ttyname(slave);
    int toHolder[2];
    int fromHolder[2];
    ASSERT_EQ(::pipe(toHolder), 0);
    ASSERT_EQ(::pipe(fromHolder), 0);

    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        ::close(toHolder[1]);
        ::close(fromHolder[0]);
        // Another program with the port open, as a second copy of this one would have it.
        QSerialPort other;
        other.setPortName(QString::fromStdString(path));
        const char opened = other.open(QIODevice::ReadOnly) ? 'y' : 'n';
        [[maybe_unused]] ssize_t done = ::write(fromHolder[1], &opened, 1);
        char ignored;
        done = ::read(toHolder[0], &ignored, 1); // until the test lets go
        other.close();
        ::_exit(0);
    }
    ::close(toHolder[0]);
    ::close(fromHolder[1]);
    char opened = 'n';
    ASSERT_EQ(::read(fromHolder[0], &opened, 1), 1);
    ASSERT_EQ(opened, 'y');

    QtSerialPort port;
    port.setPort(path);
    port.setSettings("38400,N,8,1");
    const bool openedWhileHeld = port.open();
    const PortOpenFailure cause = port.openFailure();
    const std::string message = messageAfterFailedOpen(port, path);

    ::close(toHolder[1]);
    int status = -1;
    ::waitpid(holder, &status, 0);
    for (const int descriptor : {fromHolder[0], master, slave})
        ::close(descriptor);

    EXPECT_FALSE(openedWhileHeld);
    EXPECT_EQ(cause, PortOpenFailure::InUse);
    EXPECT_NE(message.find(path + " ist belegt: Ein anderes Programm hält sie geöffnet."),
              std::string::npos)
        << message;
    EXPECT_EQ(status, 0);
}

TEST(PortField, SuggestsThePortsTheSystemReportsAndTakesAChosenOne)
{
    QtTimeBase time;
    QtEventLoop events;
    QtSerialPort serial;
    QtDesktop desktop;
    Platform platform {events, time, serial, desktop};
    Program program(platform);
    program.start();
    QWidget *surface = desktop.host("frmDCF77")->surface();
    auto *field = qobject_cast<QLineEdit *>(
        desktop.host("frmDCF77")->widgetOf(program.frmDCF77.txtComPort));
    ASSERT_NE(field, nullptr);
    surface->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(surface));

    field->setFocus(Qt::TabFocusReason);

    ASSERT_TRUE(field->hasFocus());
    ASSERT_NE(field->completer(), nullptr);
    auto *offered = qobject_cast<QStringListModel *>(field->completer()->model());
    ASSERT_NE(offered, nullptr);
    std::vector<std::string> paths;
    for (const QString &text : offered->stringList())
        paths.push_back(text.toStdString());
    std::ranges::sort(paths);
    EXPECT_EQ(paths, systemPortPaths());

    // Choosing a completion is typing it.
    Q_EMIT field->completer()->activated(QStringLiteral("/dev/ttyUSB7"));
    EXPECT_EQ(program.frmDCF77.txtComPort.text(), "/dev/ttyUSB7");
}

} // namespace
} // namespace dcf
