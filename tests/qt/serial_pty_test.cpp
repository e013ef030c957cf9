// The real serial port on a pseudo-terminal, in real time: each character carries the time it
// arrived, also when the window thread takes it late, so marks written with real timing come back
// with their lengths intact; stale input is dropped; a hung-up line is reported as failed without
// keeping the event loop busy. And the first Start of a fresh program opens such a port (nothing
// has set its line settings before).

#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_time_base.h"
#include "program/program.h"
#include "pseudo_terminal.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
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
        if (!received.characters.empty() || port.hasFailed())
            return received;
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
        port.setSettings("38400,N,8,1");
        port.setReadLength(1);
    }

    PseudoTerminal pty {kHeld};
    QtSerialPort port;
};

/// Writes marks of 100 and 200 ms with real timing and reads them back as the reception does.
/// Returns, per mark, how far the length between the arrival stamps differs from the length
/// written, in milliseconds; empty when the characters did not come back as written.
std::vector<double> roundTripErrors(PseudoTerminal &pty, QtSerialPort &port)
{
    const std::vector<milliseconds> lengths {milliseconds(100), milliseconds(200),
                                             milliseconds(100), milliseconds(200)};
    constexpr milliseconds kSpacing(300);
    std::vector<int64_t> written;
    const Clock::time_point begin = Clock::now();
    std::thread receiver([&] {
        Clock::time_point start = begin + milliseconds(20);
        for (const milliseconds length : lengths) {
            std::this_thread::sleep_until(start);
            written.push_back(monotonicMicroseconds());
            pty.send("1");
            std::this_thread::sleep_until(start + length);
            written.push_back(monotonicMicroseconds());
            pty.send("0");
            start += kSpacing;
        }
    });

    std::string text;
    std::vector<int64_t> arrivals;
    while (arrivals.size() < 2 * lengths.size()) {
        const SerialInput c = nextCharacter(port, begin + std::chrono::seconds(3));
        if (c.characters.empty())
            break;
        text += c.characters;
        arrivals.push_back(c.arrivalMicroseconds);
    }
    receiver.join();

    std::vector<double> errors;
    if (text != "10101010")
        return errors;
    for (std::size_t mark = 0; mark < lengths.size(); ++mark) {
        const int64_t sent = written[2 * mark + 1] - written[2 * mark];
        const int64_t measured = arrivals[2 * mark + 1] - arrivals[2 * mark];
        errors.push_back(static_cast<double>(measured - sent) / 1000.0);
    }
    return errors;
}

TEST_F(SerialPty, MarkLengthsSurviveTheRoundTrip)
{
    pty.send("x"); // queued before the open: must not be read
    ASSERT_TRUE(port.open()) << port.errorText();

    // Real time on a shared machine: one round may lose the processor at the wrong moment, so
    // it gets three rounds to show one clean pass.
    constexpr int kRounds = 3;
    std::vector<double> errors;
    for (int round = 0; round < kRounds; ++round) {
        errors = roundTripErrors(pty, port);
        ASSERT_EQ(errors.size(), 4u) << "characters lost, reordered or stale";
        if (std::ranges::all_of(errors, [](double error) { return std::abs(error) <= 2.0; }))
            break;
    }
    for (std::size_t mark = 0; mark < errors.size(); ++mark)
        EXPECT_LE(std::abs(errors[mark]), 2.0) << "mark " << mark;
}

TEST_F(SerialPty, CharactersTakenLateCarryTheirArrivalTime)
{
    ASSERT_TRUE(port.open()) << port.errorText();
    // Far beyond the reader thread's delays, far below the window thread's busy spell.
    constexpr int64_t kToleranceUs = 20'000;
    const auto arrivedInTime = [](int64_t offset) {
        return offset >= 0 && offset <= kToleranceUs;
    };

    // Real time on a shared machine: three rounds to show one clean pass.
    std::vector<int64_t> offsets;
    bool inTime = false;
    for (int round = 0; round < 3 && !inTime; ++round) {
        const int64_t firstWritten = monotonicMicroseconds();
        pty.send("1");
        // The window thread processes no event meanwhile.
        std::this_thread::sleep_for(milliseconds(60));
        const int64_t secondWritten = monotonicMicroseconds();
        pty.send("0");
        std::this_thread::sleep_for(milliseconds(150));

        const SerialInput first = nextCharacter(port, Clock::now() + std::chrono::seconds(1));
        const SerialInput second = nextCharacter(port, Clock::now() + std::chrono::seconds(1));
        ASSERT_EQ(first.characters + second.characters, "10") << "lost or reordered";
        offsets = {first.arrivalMicroseconds - firstWritten,
                   second.arrivalMicroseconds - secondWritten};
        inTime = std::ranges::all_of(offsets, arrivedInTime);
    }
    EXPECT_TRUE(inTime) << "stamped " << offsets[0] << " and " << offsets[1] << " us after writing";
}

TEST_F(SerialPty, HungUpLineFailsWithoutBusyWaiting)
{
    ASSERT_TRUE(port.open()) << port.errorText();
    pty.send("1");
    EXPECT_EQ(nextCharacter(port, Clock::now() + milliseconds(500)).characters, "1");

    pty.hangUp();
    int wakeUps = 0;
    const Clock::time_point deadline = Clock::now() + milliseconds(300);
    while (Clock::now() < deadline) {
        waitForActivity(50);
        ++wakeUps;
    }
    EXPECT_TRUE(port.hasFailed());
    EXPECT_FALSE(port.errorText().empty());
    EXPECT_EQ(port.read().characters, "");
    // About six 50 ms time-outs; a readable dead descriptor would wake it thousands of times.
    EXPECT_LT(wakeUps, 30);
}

TEST(SerialPort, FirstStartOfTheProgramOpensAPseudoTerminal)
{
    PseudoTerminal pty(kHeld);
    QtTimeBase time;
    QtEventLoop events;
    QtSerialPort serial;
    QtDesktop desktop;
    Platform platform {events, time, serial, desktop};
    Program program(platform);
    program.start();
    program.frmDCF77.txtComPort.setText(pty.devicePath());

    bool openAfterReset = false;
    QObject context;
    QTimer::singleShot(1500, &context, [&] {
        openAfterReset = serial.isOpen();
        program.cmdExit_Click();
    });
    program.frmDCF77.cmdStart.click();
    EXPECT_TRUE(openAfterReset);
}

TEST(SerialPort, MissingDeviceDoesNotOpen)
{
    QtSerialPort port;
    port.setPort("/dev/no-such-receiver");
    port.setSettings("38400,N,8,1");
    EXPECT_FALSE(port.open());
    EXPECT_FALSE(port.errorText().empty());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.hasFailed());
    EXPECT_EQ(port.read().characters, "");
}

} // namespace
} // namespace dcf
