// The program's serial port on a pseudo-terminal, in real time, with the receiver's kind left to
// be recognised as a new user would: marks written with real timing come back in order and keep
// their class; a hung-up line wakes the window thread's wait at once and is reported as failed
// without keeping the event loop busy; a check leaves the open port alone.

#include "platform/qt/qt_serial_port.h"
#include "printers.h"
#include "pseudo_terminal.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace dcf {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

/// The receiver's end stays open on our side, so that nothing hangs up before hangUp().
using sim::PseudoTerminal;
constexpr auto kHeld = PseudoTerminal::DeviceEnd::Held;

/// Blocks in Qt's event processing until something arrives or `timeoutMs` has passed.
void waitForActivity(int timeoutMs)
{
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.start(timeoutMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

/// Waits as the reception does: process events, read, block until activity, until a character
/// arrives or the deadline passes.
SerialInput nextCharacter(QtSerialPort &port, Clock::time_point deadline)
{
    while (Clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        SerialInput received = port.read();
        if (!received.characters.empty() || port.failure())
            return received;
        waitForActivity(50);
    }
    return {};
}

class SerialPty : public ::testing::Test
{
protected:
    void SetUp() override { port.setPort(pty.devicePath()); }

    PseudoTerminal pty {kHeld};
    QtSerialPort port;
};

/// Writes marks of 100, 200, 100 and 200 ms with real timing and reads them back as the reception
/// does. Returns the lengths between the arrival stamps, in milliseconds; empty when the
/// characters did not come back as written.
std::vector<double> measuredLengths(PseudoTerminal &pty, QtSerialPort &port)
{
    const Clock::time_point begin = Clock::now();
    std::thread receiver([&] {
        Clock::time_point start = begin + milliseconds(20);
        for (const int length : {100, 200, 100, 200}) {
            std::this_thread::sleep_until(start);
            pty.send("1");
            std::this_thread::sleep_until(start + milliseconds(length));
            pty.send("0");
            start += milliseconds(300);
        }
    });
    std::string text;
    std::vector<int64_t> arrivals;
    while (arrivals.size() < 8) {
        const SerialInput c = nextCharacter(port, begin + std::chrono::seconds(3));
        if (c.characters.empty())
            break;
        text += c.characters;
        arrivals.push_back(c.arrivalMicroseconds);
    }
    receiver.join();

    std::vector<double> lengths;
    for (std::size_t mark = 0; text == "10101010" && mark < 4; ++mark)
        lengths.push_back(static_cast<double>(arrivals[2 * mark + 1] - arrivals[2 * mark])
                          / 1000.0);
    return lengths;
}

TEST_F(SerialPty, MarksComeBackInOrderAndKeepTheirClass)
{
    pty.send("x"); // queued before the open: must not be read
    ASSERT_EQ(port.open(), std::nullopt);

    const std::vector<double> lengths = measuredLengths(pty, port);
    ASSERT_EQ(lengths.size(), 4u) << "characters lost, reordered or stale";
    // Only as exact as telling the classes apart needs; the benchmark measures the error.
    for (std::size_t mark = 0; mark < lengths.size(); ++mark) {
        EXPECT_GT(lengths[mark], mark % 2 ? 150 : 30) << "mark " << mark;
        EXPECT_LT(lengths[mark], mark % 2 ? 250 : 150) << "mark " << mark;
    }
}

TEST_F(SerialPty, HungUpLineWakesTheWindowThreadAndFailsWithoutBusyWaiting)
{
    ASSERT_EQ(port.open(), std::nullopt);
    pty.send("1");
    pty.send("0");
    EXPECT_EQ(nextCharacter(port, Clock::now() + milliseconds(2000)).characters, "1");
    EXPECT_EQ(nextCharacter(port, Clock::now() + milliseconds(500)).characters, "0");

    QCoreApplication::processEvents();
    pty.hangUp();
    // Nothing else happens: only the failure itself can end these waits early.
    const Clock::time_point hungUp = Clock::now();
    while (!port.failure() && Clock::now() - hungUp < std::chrono::seconds(3))
        waitForActivity(3000);
    EXPECT_LT(Clock::now() - hungUp, milliseconds(1000)) << "the failure did not wake the wait";
    EXPECT_EQ(port.failure().value_or(PortProblem {}).cause, PortFault::Vanished);

    int wakeUps = 0;
    const Clock::time_point deadline = Clock::now() + milliseconds(300);
    while (Clock::now() < deadline) {
        waitForActivity(50);
        ++wakeUps;
    }
    EXPECT_EQ(port.read().characters, "");
    // About six 50 ms time-outs; a readable dead descriptor would wake it thousands of times.
    EXPECT_LT(wakeUps, 30);
}

TEST_F(SerialPty, CheckLeavesTheOpenPortAlone)
{
    ASSERT_EQ(port.open(), std::nullopt);
    EXPECT_EQ(port.check(pty.devicePath()), std::nullopt) << "the port it has open";
    EXPECT_EQ(port.check("/dev/null").value_or(PortProblem {}).cause, PortFault::NotASerialPort);
    pty.send("10"); // a mark: the characters kind is then known
    EXPECT_EQ(nextCharacter(port, Clock::now() + milliseconds(500)).characters, "1")
        << "the checks disturbed the open port";
}

} // namespace
} // namespace dcf
