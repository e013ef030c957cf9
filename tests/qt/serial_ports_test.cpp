// The program's serial port on the real system: the ports "ComPort No." suggests, and on a
// pseudo-terminal, in real time, a hung-up line that wakes the window thread at once without
// keeping its event loop busy, and a check that leaves the open port alone.

#include "app/qt_program.h"
#include "printers.h"
#include "pseudo_terminal.h"

#include <QAbstractItemModel>
#include <QCompleter>
#include <QEventLoop>
#include <QLineEdit>
#include <QSerialPortInfo>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>
#include <set>

namespace dcf {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

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
    std::multiset<std::string> offered, system;
    for (int row = 0; row < rows->rowCount(); ++row) {
        const QModelIndex index = rows->index(row, 0);
        const QString path = index.data(field->completer()->completionRole()).toString();
        EXPECT_TRUE(index.data().toString().startsWith(path)) << path.toStdString();
        offered.insert(path.toStdString());
    }
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        system.insert(info.systemLocation().toStdString());
    EXPECT_EQ(offered, system);

    Q_EMIT field->completer()->activated(QStringLiteral("/dev/ttyUSB7")); // as typed
    EXPECT_EQ(qt.program.mainWindow().txtComPort.text(), "/dev/ttyUSB7");
}

/// Blocks in Qt's event processing until something arrives or `timeoutMs` has passed.
void waitForActivity(int timeoutMs)
{
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.start(timeoutMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

/// Waits as the reception does until a character arrives, the port fails or `deadline` passes.
std::string nextCharacter(QtSerialPort &port, Clock::time_point deadline)
{
    while (Clock::now() < deadline && !port.failure()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (SerialInput received = port.read(); !received.characters.empty())
            return received.characters;
        waitForActivity(50);
    }
    return {};
}

class SerialPty : public ::testing::Test
{
protected:
    void SetUp() override
    {
        port.setPort(pty.devicePath());
        ASSERT_EQ(port.open(), std::nullopt);
    }

    /// The receiver's end stays open on our side, so that nothing hangs up before hangUp().
    sim::PseudoTerminal pty {sim::PseudoTerminal::DeviceEnd::Held};
    QtSerialPort port;
};

TEST_F(SerialPty, HungUpLineWakesTheWindowThreadAndFailsWithoutBusyWaiting)
{
    pty.send("10");
    EXPECT_EQ(nextCharacter(port, Clock::now() + milliseconds(2000)), "1");

    QCoreApplication::processEvents();
    pty.hangUp();
    // Nothing else happens: only the failure itself can end these waits early.
    const Clock::time_point hungUp = Clock::now();
    while (!port.failure() && Clock::now() - hungUp < std::chrono::seconds(3))
        waitForActivity(3000);
    EXPECT_LT(Clock::now() - hungUp, milliseconds(1000)) << "the failure did not wake the wait";
    EXPECT_EQ(port.failure().value_or(PortProblem {}).cause, PortFault::Vanished);

    int wakeUps = 0;
    for (const Clock::time_point end = Clock::now() + milliseconds(300); Clock::now() < end;) {
        waitForActivity(50);
        ++wakeUps;
    }
    // About six 50 ms time-outs; a readable dead descriptor would wake it thousands of times.
    EXPECT_LT(wakeUps, 30);
}

TEST_F(SerialPty, CheckLeavesTheOpenPortAlone)
{
    EXPECT_EQ(port.check(pty.devicePath()), std::nullopt) << "the port it has open";
    EXPECT_EQ(port.check("/dev/null").value_or(PortProblem {}).cause, PortFault::NotASerialPort);
    pty.send("10"); // a mark: the characters kind is then known
    EXPECT_EQ(nextCharacter(port, Clock::now() + milliseconds(500)), "1")
        << "the checks disturbed the open port";
}

} // namespace
} // namespace dcf
