// The modem-line library as the program meets it: ioctl() on a pseudo-terminal that has a line
// board, with the simulator's side driving the lines. This test links the library, so its own
// ioctl() calls go through it. Its waits are the serial reader's, tested through the reader.

#include "line_board.h"
#include "pseudo_terminal.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dcf::modemlines {
namespace {

/// A simulator's terminal with its board, opened by "the program".
struct SimulatedPort
{
    ~SimulatedPort() { ::close(device); }

    int lines() const
    {
        int lines = -1;
        EXPECT_EQ(::ioctl(device, TIOCMGET, &lines), 0);
        return lines;
    }

    sim::PseudoTerminal terminal;
    std::unique_ptr<LineBoard> board = LineBoard::createFor(terminal.devicePath());
    int device = sim::openDeviceRaw(terminal.devicePath());
};

TEST(ModemLines, AnswerThePortsLinesFromTheBoardAndLeaveOtherTerminalsAlone)
{
    SimulatedPort port;
    EXPECT_EQ(port.lines(), 0);
    port.board->setInput(TIOCM_CAR, true);
    port.board->setInput(TIOCM_DSR, true);
    EXPECT_EQ(port.lines(), TIOCM_CAR | TIOCM_DSR);

    // The program's outputs reach the simulator; bits other than DTR and RTS do not exist here.
    int lines = TIOCM_DTR | TIOCM_LE;
    ASSERT_EQ(::ioctl(port.device, TIOCMBIS, &lines), 0);
    EXPECT_EQ(port.board->read().outputs, uint32_t {TIOCM_DTR});
    lines = TIOCM_RTS;
    ASSERT_EQ(::ioctl(port.device, TIOCMSET, &lines), 0);
    EXPECT_EQ(port.lines(), TIOCM_CAR | TIOCM_DSR | TIOCM_RTS);
    ASSERT_EQ(::ioctl(port.device, TIOCMBIC, &lines), 0);
    EXPECT_EQ(port.board->read().outputs, 0u);

    // Other calls on the same terminal, and the same calls on a terminal without a board, reach
    // the kernel.
    int waiting = -1;
    EXPECT_EQ(::ioctl(port.device, FIONREAD, &waiting), 0);
    EXPECT_EQ(waiting, 0);
    sim::PseudoTerminal plain;
    const int other = sim::openDeviceRaw(plain.devicePath());
    EXPECT_EQ(::ioctl(other, TIOCMGET, &lines), -1) << "a pseudo-terminal has no modem lines";
    ::close(other);
}

TEST(ModemLines, CountAndWakeAsTheSerialCoreDoesWithRingOnlyOnItsTrailingEdge)
{
    SimulatedPort port;
    const auto counted = [&] {
        serial_icounter_struct counts {};
        EXPECT_EQ(::ioctl(port.device, TIOCGICOUNT, &counts), 0);
        return std::array {counts.dcd, counts.cts, counts.dsr, counts.rng};
    };
    const LineCounts atRest = port.board->read().counts;
    for (const uint32_t line : {TIOCM_CAR, TIOCM_CTS, TIOCM_DSR, TIOCM_RNG}) {
        port.board->setInput(line, true);
        port.board->setInput(line, true); // no change, no count
    }
    EXPECT_EQ(counted(), (std::array {1, 1, 1, 0}));
    const LineCounts leading = port.board->read().counts;
    EXPECT_FALSE(changedWithin(TIOCM_RNG, atRest, leading)) << "a wait on RI woke";
    EXPECT_TRUE(changedWithin(TIOCM_DSR, atRest, leading));

    port.board->setInput(TIOCM_CAR, false); // two edges within one wake-up
    port.board->setInput(TIOCM_CAR, true);
    port.board->setInput(TIOCM_RNG, false);
    EXPECT_EQ(counted(), (std::array {3, 1, 1, 1}));
    const LineCounts trailing = port.board->read().counts;
    EXPECT_TRUE(changedWithin(TIOCM_RNG, leading, trailing));
    EXPECT_FALSE(changedWithin(TIOCM_CTS | TIOCM_DSR, leading, trailing))
        << "a wait woke for a line it does not watch";
}

TEST(ModemLines, HangUpWhenTheSimulatorWasKilledWithoutClosingItsBoard)
{
    sim::PseudoTerminal terminal;
    struct stat status = {};
    ASSERT_EQ(::stat(terminal.devicePath().c_str(), &status), 0);
    std::array<int, 2> ready {};
    ASSERT_EQ(::pipe(ready.data()), 0);
    const pid_t simulator = ::fork();
    ASSERT_NE(simulator, -1);
    if (simulator == 0) {
        const std::unique_ptr<LineBoard> board = LineBoard::create(status.st_rdev);
        (void)!::write(ready[1], "r", 1);
        ::pause(); // until killed, so that the board is never closed
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);

    const std::unique_ptr<LineBoard> board = LineBoard::attach(status.st_rdev);
    ASSERT_TRUE(board);
    EXPECT_FALSE(board->hangUpIfOwnerGone()) << "hung up while the simulator runs";
    ::kill(simulator, SIGKILL);
    ::waitpid(simulator, nullptr, 0);
    EXPECT_TRUE(board->hangUpIfOwnerGone());

    // The program then sees what an unplugged adapter gives it.
    const int device = sim::openDeviceRaw(terminal.devicePath());
    int lines = 0;
    errno = 0;
    EXPECT_EQ(::ioctl(device, TIOCMGET, &lines), -1);
    EXPECT_EQ(errno, EIO);
    ::close(device);
}

} // namespace
} // namespace dcf::modemlines
