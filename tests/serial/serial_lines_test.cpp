// The serial service on a pseudo-terminal whose modem-status lines the test drives through the
// simulator's line board, in real time: this executable links the modem-line library, so the
// reader's own TIOCMIWAIT, TIOCGICOUNT and TIOCMGET calls run against the board. A change is
// stamped when it happened however late it is taken; RI's leading edge is found by sampling; a
// reader blocked in its wait is stopped at once; a receiver that goes away fails the port.

#include "line_board.h"
#include "platform/serial/port.h"
#include "platform/serial/serial_service.h"
#include "pseudo_terminal.h"
#include "window_thread.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <thread>
#include <vector>

namespace dcf {
namespace {

using namespace std::chrono_literals;
using modemlines::LineBoard;

/// A receiver on the lines of a pseudo-terminal: the test sets them as the receiver would.
struct LineReceiverPort
{
    /// Sets `line` (TIOCM_*) and returns when, on the stamps' clock.
    int64_t set(uint32_t line, bool active)
    {
        const int64_t now = serial::stampNow();
        board->setInput(line, active);
        return now;
    }

    sim::PseudoTerminal terminal {sim::PseudoTerminal::DeviceEnd::Held};
    std::unique_ptr<LineBoard> board = LineBoard::createFor(terminal.devicePath());
};

using Window = testing::WindowThread;

/// Sends marks of `lengths` on `line` (mark while `markActive`), 300 ms apart, and checks that
/// they come back as "1" and "0", each stamped when its change happened.
void expectMarks(LineReceiverPort &port, Window &window, uint32_t line, bool markActive,
                 std::initializer_list<int> lengths)
{
    std::vector<std::pair<char, int64_t>> sent;
    for (const int length : lengths) {
        sent.emplace_back('1', port.set(line, markActive));
        std::this_thread::sleep_for(std::chrono::milliseconds(length));
        sent.emplace_back('0', port.set(line, !markActive));
        std::this_thread::sleep_for(300ms);
    }
    for (const auto &[character, when] : sent) {
        const std::optional<Arrival> arrival = window.next();
        ASSERT_TRUE(arrival) << "an edge was lost";
        EXPECT_EQ(arrival->character, character);
        testing::expectStampedOnArrival(arrival->stampMicroseconds, when);
    }
    EXPECT_FALSE(window.next(50ms)) << "more edges than changes";
}

TEST(SerialLines, EachChangeOfAChosenLineIsAnEdgeStampedWhenItHappenedUntilTheReceiverGoes)
{
    LineReceiverPort port;
    Window window;
    const ReceiverChoice dcd {ReceiverKind::Dcd, Polarity::MarkWhileActive, PowerLines::Dtr};
    ASSERT_FALSE(window.service.open(port.terminal.devicePath(), dcd));
    expectMarks(port, window, TIOCM_CAR, true, {100, 200});

    // The simulator ends: the board is marked hung up, as an unplugged adapter.
    port.set(TIOCM_CAR, true);
    ASSERT_TRUE(window.next());
    port.board.reset();
    port.terminal.hangUp();
    EXPECT_FALSE(window.next());
    EXPECT_EQ(testing::causeOf(window.service.failure()), PortFault::Vanished);
}

TEST(SerialLines, RisLeadingEdgeIsSampledAndItsTrailingEdgeWaitedFor)
{
    LineReceiverPort port;
    Window window;
    const ReceiverChoice ri {ReceiverKind::Ri, Polarity::MarkWhileInactive, PowerLines::Dtr};
    port.set(TIOCM_RNG, true); // inverted: at rest the line is active
    ASSERT_FALSE(window.service.open(port.terminal.devicePath(), ri));
    std::this_thread::sleep_for(50ms);
    expectMarks(port, window, TIOCM_RNG, false, {100, 200});
}

TEST(SerialLines, AReaderBlockedInItsWaitStopsAtOnce)
{
    LineReceiverPort port;
    Window window;
    const ReceiverChoice dsr {ReceiverKind::Dsr, Polarity::MarkWhileActive, PowerLines::Dtr};
    // Often, so that the stop also comes just as the reader enters its wait.
    for (int round = 0; round < 50; ++round) {
        ASSERT_FALSE(window.service.open(port.terminal.devicePath(), dsr));
        std::this_thread::sleep_for(std::chrono::microseconds(round * 97 % 1000));
        const auto before = std::chrono::steady_clock::now();
        window.service.close();
        EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms) << "round " << round;
    }
    ASSERT_FALSE(window.service.open(port.terminal.devicePath(), dsr));
    expectMarks(port, window, TIOCM_DSR, true, {100});
}

TEST(SerialLines, ThePowerLinesAreSetAsChosen)
{
    LineReceiverPort port;
    Window window;
    const std::pair<PowerLines, uint32_t> choices[] {{PowerLines::Dtr, TIOCM_DTR},
                                                     {PowerLines::Rts, TIOCM_RTS},
                                                     {PowerLines::Both, TIOCM_DTR | TIOCM_RTS},
                                                     {PowerLines::None, 0}};
    for (const auto &[power, outputs] : choices) {
        ASSERT_FALSE(window.service.open(port.terminal.devicePath(),
                                         {ReceiverKind::Dcd, Polarity::FromSignal, power}));
        EXPECT_EQ(port.board->read().outputs, outputs) << static_cast<int>(power);
        window.service.close();
    }
}

} // namespace
} // namespace dcf
