// The modem-line library as the program meets it: ioctl() on a pseudo-terminal that has a line
// board, with the simulator's side driving the lines. This test links the library, so its own
// ioctl() calls go through it.

#include "line_board.h"
#include "pseudo_terminal.h"

#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace dcf::modemlines {
namespace {

/// A simulator's terminal with its board, opened by "the program".
struct SimulatedPort
{
    SimulatedPort()
    {
        struct stat status
        {
        };
        ::stat(terminal.devicePath().c_str(), &status);
        board = LineBoard::create(status.st_rdev);
        device = sim::openDeviceRaw(terminal.devicePath());
    }
    ~SimulatedPort() { ::close(device); }

    int lines() const
    {
        int lines = -1;
        EXPECT_EQ(::ioctl(device, TIOCMGET, &lines), 0);
        return lines;
    }
    serial_icounter_struct counts() const
    {
        serial_icounter_struct counts {};
        EXPECT_EQ(::ioctl(device, TIOCGICOUNT, &counts), 0);
        return counts;
    }

    sim::PseudoTerminal terminal;
    std::unique_ptr<LineBoard> board;
    int device = -1;
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

TEST(ModemLines, CountChangesAsTheSerialCoreDoesWithRingOnlyOnItsTrailingEdge)
{
    SimulatedPort port;
    for (const uint32_t line : {TIOCM_CAR, TIOCM_CTS, TIOCM_DSR, TIOCM_RNG}) {
        port.board->setInput(line, true);
        port.board->setInput(line, true); // no change, no count
    }
    serial_icounter_struct counts = port.counts();
    EXPECT_EQ(counts.dcd, 1);
    EXPECT_EQ(counts.cts, 1);
    EXPECT_EQ(counts.dsr, 1);
    EXPECT_EQ(counts.rng, 0) << "the ring's leading edge is not counted";

    for (const uint32_t line : {TIOCM_CAR, TIOCM_CTS, TIOCM_DSR, TIOCM_RNG})
        port.board->setInput(line, false);
    counts = port.counts();
    EXPECT_EQ(counts.dcd, 2);
    EXPECT_EQ(counts.cts, 2);
    EXPECT_EQ(counts.dsr, 2);
    EXPECT_EQ(counts.rng, 1);
}

/// A thread blocked in TIOCMIWAIT, and a way to know that it sleeps there.
class Waiter
{
public:
    Waiter(int device, int mask)
        : m_thread([this, device, mask] {
            m_id = static_cast<pid_t>(::syscall(SYS_gettid));
            const int result = ::ioctl(device, TIOCMIWAIT, mask);
            m_error = result == 0 ? 0 : errno;
            m_done = true;
        })
    { }
    ~Waiter()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    /// Waits until the thread sleeps in the futex after its last observed sleep; false once it
    /// has returned instead. Reading the kernel's view of the thread needs no timing.
    bool asleep()
    {
        for (;;) {
            if (m_done)
                return false;
            const pid_t id = m_id;
            const std::string task = "/proc/self/task/" + std::to_string(id);
            long call = -1;
            std::ifstream(task + "/syscall") >> call;
            std::ifstream status(task + "/status");
            long switches = -1;
            for (std::string key; id != 0 && status >> key;) {
                if (key == "voluntary_ctxt_switches:")
                    status >> switches;
            }
            if (call == SYS_futex && switches > m_switches) {
                m_switches = switches;
                return true;
            }
            sched_yield();
        }
    }
    /// The wait's outcome: 0 or the errno value.
    int outcome()
    {
        m_thread.join();
        return m_error;
    }
    pthread_t handle() { return m_thread.native_handle(); }

private:
    std::atomic<pid_t> m_id = 0;
    std::atomic<bool> m_done = false;
    long m_switches = 0;
    int m_error = -1;
    std::thread m_thread;
};

TEST(ModemLines, WaitEndsOnAChangeOfAWatchedLineAndTheCountsShowQuickPairs)
{
    SimulatedPort port;
    Waiter waiter(port.device, TIOCM_CAR | TIOCM_DSR);
    ASSERT_TRUE(waiter.asleep());
    port.board->setInput(TIOCM_CTS, true);
    EXPECT_TRUE(waiter.asleep()) << "woke for a line it does not watch";

    port.board->setInput(TIOCM_CAR, true);
    port.board->setInput(TIOCM_CAR, false);
    EXPECT_EQ(waiter.outcome(), 0);
    EXPECT_EQ(port.counts().dcd, 2) << "two edges within one wake-up";
    EXPECT_EQ(port.lines() & TIOCM_CAR, 0);
}

TEST(ModemLines, WaitOnRingEndsOnlyWithItsTrailingEdge)
{
    SimulatedPort port;
    Waiter waiter(port.device, TIOCM_RNG);
    ASSERT_TRUE(waiter.asleep());
    port.board->setInput(TIOCM_RNG, true);
    EXPECT_TRUE(waiter.asleep()) << "woke on the ring's leading edge";
    port.board->setInput(TIOCM_RNG, false);
    EXPECT_EQ(waiter.outcome(), 0);
}

extern "C" void ignoreSignal(int) { }

TEST(ModemLines, ASignalEndsTheWaitWithEintrUnlessItsHandlerRestarts)
{
    SimulatedPort port;
    struct sigaction action
    {
    };
    action.sa_handler = ignoreSignal;
    struct sigaction previous
    {
    };
    ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
    {
        Waiter waiter(port.device, TIOCM_CAR);
        ASSERT_TRUE(waiter.asleep());
        pthread_kill(waiter.handle(), SIGUSR1);
        EXPECT_EQ(waiter.outcome(), EINTR);
    }
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
    {
        Waiter waiter(port.device, TIOCM_CAR);
        ASSERT_TRUE(waiter.asleep());
        pthread_kill(waiter.handle(), SIGUSR1);
        EXPECT_TRUE(waiter.asleep()) << "a restarting handler ended the wait";
        port.board->setInput(TIOCM_CAR, true);
        EXPECT_EQ(waiter.outcome(), 0);
    }
    sigaction(SIGUSR1, &previous, nullptr);
}

TEST(ModemLines, TheSimulatorsEndEndsTheWaitWithEio)
{
    SimulatedPort port;
    Waiter waiter(port.device, TIOCM_CAR);
    ASSERT_TRUE(waiter.asleep());
    port.board.reset();
    EXPECT_EQ(waiter.outcome(), EIO);
}

TEST(ModemLines, CarryASimulatedDcdReceiverToAProgramThatWaitsOnTheLine)
{
    const std::string writeLog = "/tmp/dcf77-modem-lines-test-" + std::to_string(getpid());
    const std::string command
        = "timeout --foreground --preserve-status --kill-after=10 4 " DCF77_SIM_EXECUTABLE
          " --receiver dcd --needs-power dtr --log-writes "
        + writeLog;
    FILE *simulator = popen(command.c_str(), "r");
    std::array<char, 256> path {};
    ASSERT_TRUE(fgets(path.data(), path.size(), simulator));
    const int device
        = sim::openDeviceRaw(std::string(path.data(), std::strcspn(path.data(), "\n")));
    ASSERT_GE(device, 0);
    const int power = TIOCM_DTR;
    ASSERT_EQ(::ioctl(device, TIOCMBIS, &power), 0);

    // Each wake-up: the line's new state, as the program's reader would stamp it.
    std::string seen;
    for (int edge = 0; edge < 4; ++edge) {
        ASSERT_EQ(::ioctl(device, TIOCMIWAIT, TIOCM_CAR), 0);
        int lines = 0;
        ASSERT_EQ(::ioctl(device, TIOCMGET, &lines), 0);
        seen += (lines & TIOCM_CAR) != 0 ? '1' : '0';
    }
    serial_icounter_struct counts {};
    ASSERT_EQ(::ioctl(device, TIOCGICOUNT, &counts), 0);
    EXPECT_EQ(counts.dcd, 4);
    // The simulator ends while the program still waits: the wait fails as on an unplugged
    // adapter.
    EXPECT_EQ(::ioctl(device, TIOCMIWAIT, TIOCM_RNG) == 0 ? 0 : errno, EIO);
    ::close(device);
    pclose(simulator);

    std::ifstream log(writeLog);
    std::string logged;
    long long sentNs = 0;
    char edge = 0;
    while (log >> sentNs >> edge)
        logged += edge;
    std::remove(writeLog.c_str());
    EXPECT_EQ(seen, "1010");
    EXPECT_EQ(logged.substr(0, 4), seen);
}

} // namespace
} // namespace dcf::modemlines
