// The serial port's failures and the port list on the real system: why an open failed, as the
// messages tell it, and what "ComPort No." suggests.

#include "app/qt_program.h"
#include "platform/serial/serial_service.h"
#include "printers.h"
#include "ui/messages.h"

#include <QAbstractItemModel>
#include <QCompleter>
#include <QLineEdit>
#include <QSerialPortInfo>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dcf {
namespace {

/// The message that the reception shows after `port` failed to open `device`.
std::string messageAfterFailedOpen(const std::string &device)
{
    QtSerialPort port;
    port.setPort(device);
    const std::optional<PortProblem> problem = port.open();
    if (!problem)
        return "opened";
    return unopenablePortText({device, *problem, port.availablePorts()});
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
    const std::string message = messageAfterFailedOpen("/dev/no-such-receiver");
    EXPECT_NE(message.find("/dev/no-such-receiver gibt es nicht"), std::string::npos) << message;
    for (const std::string &path : systemPortPaths()) {
        EXPECT_NE(message.find("\n    " + path), std::string::npos) << message;
    }
}

TEST(SerialPortOpen, PortHeldByAnotherProcessIsInUse)
{
    int master = -1;
    int slave = -1;
    int toHolder[2];
    int fromHolder[2];
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(::pipe(toHolder) | ::pipe(fromHolder), 0);
    const std::string path = ::ttyname(slave);
    const pid_t holder = ::fork();
    if (holder == 0) {
        // Another program with the port open, as a second copy of this one would have it.
        ::close(toHolder[1]);
        SerialService other;
        const char opened = other.open(path, {}) ? 'n' : 'y';
        char ignored;
        if (::write(fromHolder[1], &opened, 1) == 1 && ::read(toHolder[0], &ignored, 1) >= 0)
            other.close();
        ::_exit(0);
    }
    ::close(toHolder[0]);
    char opened = 'n';
    const bool holds = ::read(fromHolder[0], &opened, 1) == 1 && opened == 'y';
    const std::string message = messageAfterFailedOpen(path);
    ::close(toHolder[1]); // lets go
    ::waitpid(holder, nullptr, 0);
    for (const int descriptor : {fromHolder[0], fromHolder[1], master, slave})
        ::close(descriptor);

    ASSERT_TRUE(holds);
    EXPECT_NE(message.find(path + " ist belegt: Ein anderes Programm hält sie geöffnet."),
              std::string::npos)
        << message;
}

TEST(PortField, SuggestsThePortsTheSystemReportsAndTakesAChosenOne)
{
    QtProgram qt;
    qt.program.start();
    QWidget *surface = qt.surface(qt.program.mainWindow());
    auto *field = qobject_cast<QLineEdit *>(qt.widget(qt.program.mainWindow().txtComPort));
    ASSERT_NE(field, nullptr);
    surface->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(surface));

    field->setFocus(Qt::TabFocusReason);

    ASSERT_NE(field->completer(), nullptr);
    const QAbstractItemModel *rows = field->completer()->model();
    std::vector<std::string> offered;
    for (int row = 0; row < rows->rowCount(); ++row) {
        const QModelIndex index = rows->index(row, 0);
        const QString path = index.data(field->completer()->completionRole()).toString();
        EXPECT_TRUE(index.data().toString().startsWith(path)) << path.toStdString();
        offered.push_back(path.toStdString());
    }
    std::ranges::sort(offered);
    EXPECT_EQ(offered, systemPortPaths());

    Q_EMIT field->completer()->activated(QStringLiteral("/dev/ttyUSB7")); // as typed
    EXPECT_EQ(qt.program.mainWindow().txtComPort.text(), "/dev/ttyUSB7");
}

} // namespace
} // namespace dcf
