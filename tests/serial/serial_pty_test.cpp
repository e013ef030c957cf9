// The serial service on real pseudo-terminals, in real time: characters keep the stamp of their
// arrival however late they are taken; a hung-up port is closed by the reader at once and the
// window thread is woken; the lock holds whichever path names the device; every kind of unusable
// path is told apart; a listener is served while the window thread reads nothing.

#include "platform/serial/port.h"
#include "platform/serial/serial_service.h"
#include "pseudo_terminal.h"
#include "window_thread.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sched.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace dcf {
namespace {

using namespace std::chrono_literals;
using sim::PseudoTerminal;

constexpr ReceiverChoice kCharacters {ReceiverKind::Characters, Polarity::FromSignal,
                                      PowerLines::Dtr};

using Window = testing::WindowThread;

/// A scratch folder for links, files and FIFOs, removed afterwards.
class Scratch
{
public:
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "dcf77-serial-XXXXXX");
        m_path = ::mkdtemp(pattern.data());
    }
    ~Scratch() { std::filesystem::remove_all(m_path); }
    std::string operator/(const std::string &name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

TEST(SerialService, CharactersTakenLateKeepTheirArrivalStampsAndOrder)
{
    PseudoTerminal pty(PseudoTerminal::DeviceEnd::Held);
    pty.send("x"); // before the open: stale
    Window window;
    ASSERT_FALSE(window.service.open(pty.devicePath(), kCharacters));
    EXPECT_EQ(window.service.kind(), ReceiverKind::Characters);

    const int64_t firstWritten = serial::stampNow();
    pty.send("1");
    std::this_thread::sleep_for(100ms);
    const int64_t secondWritten = serial::stampNow();
    pty.send("0");
    // Taken long after they arrived, as by a window thread busy elsewhere.
    std::this_thread::sleep_for(400ms);

    const std::optional<Arrival> first = window.next();
    const std::optional<Arrival> second = window.next();
    ASSERT_TRUE(first && second) << "lost";
    EXPECT_EQ(std::string() + first->character + second->character, "10") << "stale or reordered";
    testing::expectStampedOnArrival(first->stampMicroseconds, firstWritten);
    testing::expectStampedOnArrival(second->stampMicroseconds, secondWritten);
    EXPECT_FALSE(window.next(50ms));
}

TEST(SerialService, AHungUpPortIsClosedByTheReaderAndWakesTheWindowThreadAtOnce)
{
    // Held: the device stays there after the hang-up, so its lock shows whether the reader let go.
    PseudoTerminal pty(PseudoTerminal::DeviceEnd::Held);
    Window window;
    ASSERT_FALSE(window.service.open(pty.devicePath(), kCharacters));
    const int device = ::open(pty.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(device, 0);

    const int controller = ::dup(pty.controllerFd());
    pty.hangUp();
    ::close(controller);
    // Nobody reads: the failure alone must wake the window thread.
    EXPECT_TRUE(window.wokenAtLeast(1, 1s)) << "the window thread would wait for another event";
    EXPECT_EQ(testing::causeOf(window.service.failure()), PortFault::Vanished);
    EXPECT_FALSE(window.service.isOpen());
    EXPECT_FALSE(window.service.read());

    // The reader has closed its descriptor, so the lock is free.
    EXPECT_EQ(::flock(device, LOCK_EX | LOCK_NB), 0) << "the failed port is still open";
    ::close(device);

    window.service.close();
    EXPECT_FALSE(window.service.failure()) << "a close clears the failure for the next open";
}

TEST(SerialService, TheLockHoldsWhicheverPathNamesTheDevice)
{
    PseudoTerminal pty(PseudoTerminal::DeviceEnd::Held);
    Scratch scratch;
    const std::string link = scratch / "receiver";
    ASSERT_EQ(::symlink(pty.devicePath().c_str(), link.c_str()), 0);

    Window first;
    Window second;
    ASSERT_FALSE(first.service.open(link, kCharacters));
    for (const std::string &path : {pty.devicePath(), link}) {
        EXPECT_FALSE(first.service.check(path, kCharacters)) << "its own port is usable";
        EXPECT_EQ(testing::causeOf(second.service.open(path, kCharacters)), PortFault::InUse);
        EXPECT_EQ(testing::causeOf(second.service.check(path, kCharacters)), PortFault::InUse);
    }
    pty.send("1");
    EXPECT_TRUE(first.next()) << "the refused second program took nothing from the first";

    first.service.close();
    EXPECT_FALSE(second.service.open(pty.devicePath(), kCharacters));
}

TEST(SerialService, EveryUnusablePathIsToldApart)
{
    PseudoTerminal pty(PseudoTerminal::DeviceEnd::Held);
    Scratch scratch;
    std::fclose(std::fopen((scratch / "file").c_str(), "w"));
    ASSERT_EQ(::mkfifo((scratch / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink((scratch / "nothing").c_str(), (scratch / "dangling").c_str()), 0);

    const ReceiverChoice dcd {ReceiverKind::Dcd, Polarity::FromSignal, PowerLines::Dtr};
    const std::tuple<std::string, ReceiverChoice, PortFault> paths[] {
        {"/dev/null", kCharacters, PortFault::NotASerialPort},
        {scratch / "file", kCharacters, PortFault::NotASerialPort},
        {scratch / "", kCharacters, PortFault::NotASerialPort},
        {scratch / "fifo", kCharacters, PortFault::NotASerialPort},
        {"/dev/no-such-receiver", kCharacters, PortFault::NoSuchDevice},
        {scratch / "dangling", kCharacters, PortFault::NoSuchDevice},
        {"", kCharacters, PortFault::NoSuchDevice},
        {pty.devicePath(), dcd, PortFault::NoModemLines}, // a terminal without lines
    };
    Window window;
    for (const auto &[path, choice, cause] : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(testing::causeOf(window.service.open(path, choice)), cause);
        EXPECT_FALSE(window.service.isOpen());
        EXPECT_EQ(testing::causeOf(window.service.check(path, choice)), cause);
    }
    EXPECT_FALSE(window.service.check(pty.devicePath(), kCharacters)) << "and a usable one is not";
}

TEST(SerialService, ADeviceWithoutAccessNamesItsOwnerAndGroup)
{
    PseudoTerminal pty(PseudoTerminal::DeviceEnd::Held);
    // Debian's group of serial ports, number 20; the message's advice depends on the name.
    if (::getuid() != 0 || ::chown(pty.devicePath().c_str(), 0, 20) != 0)
        GTEST_SKIP() << "needs root to give the device away";
    ASSERT_EQ(::chmod(pty.devicePath().c_str(), 0660), 0);
    // As a user without rights to it: root may open anything.
    const std::string answer = testing::answerAsNobody([&] {
        const std::optional<PortProblem> problem
            = serial::Port::check(pty.devicePath(), kCharacters, {});
        return problem ? std::to_string(static_cast<int>(problem->cause)) + " " + problem->owner
                + " " + problem->group
                       : "none";
    });
    EXPECT_EQ(answer, std::to_string(static_cast<int>(PortFault::NoAccess)) + " root dialout");
}

/// Waits until the program has set the terminal to `speed`.
bool reachesSpeed(PseudoTerminal &pty, speed_t speed)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        termios settings {};
        if (tcgetattr(pty.controllerFd(), &settings) == 0 && cfgetispeed(&settings) == speed)
            return true;
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

/// Sends `character` as a receiver at 50 baud does at the end of a mark's first character, and
/// checks the mark that comes back: it began 190 ms before and lasted `length`.
void expectSlowMark(PseudoTerminal &pty, Window &window, const std::string &character,
                    int64_t lengthUs)
{
    const int64_t sent = serial::stampNow();
    pty.send(character);
    const std::optional<Arrival> begins = window.next();
    const std::optional<Arrival> ends = window.next();
    ASSERT_TRUE(begins && ends) << "lost";
    EXPECT_EQ(begins->character, '1');
    EXPECT_EQ(ends->character, '0');
    EXPECT_EQ(ends->stampMicroseconds - begins->stampMicroseconds, lengthUs);
    testing::expectStampedOnArrival(begins->stampMicroseconds + 190'000, sent);
}

TEST(SerialService, AReceiverAt50BaudChosenOrRecognisedFromItsBreaksIsReadSlowly)
{
    PseudoTerminal chosen(PseudoTerminal::DeviceEnd::Held), pty(PseudoTerminal::DeviceEnd::Held);
    Window window;
    ASSERT_FALSE(window.service.open(chosen.devicePath(),
                                     {ReceiverKind::Rxd50, Polarity::FromSignal, PowerLines::Dtr}));
    ASSERT_TRUE(reachesSpeed(chosen, B50));
    // A pseudo-terminal marks no framing error: a 200 ms mark reads as 0x00, nine bits low.
    expectSlowMark(chosen, window, std::string(1, '\0'), 180'000);
    window.service.close();

    const auto opened = std::chrono::steady_clock::now();
    ASSERT_FALSE(window.service.open(pty.devicePath(),
                                     {std::nullopt, Polarity::FromSignal, PowerLines::Dtr}));
    // At 38400 baud each mark reads as a break: a lone NUL a second.
    pty.send(std::string(1, '\0'));
    std::this_thread::sleep_for(1s);
    pty.send(std::string(1, '\0'));
    ASSERT_TRUE(reachesSpeed(pty, B50));
    EXPECT_EQ(window.service.kind(), ReceiverKind::Rxd50);
    EXPECT_FALSE(window.next(100ms)) << "the marks' lengths were not seen at 38400 baud";
    std::this_thread::sleep_until(opened + 3s); // past the hold-back after the open
    expectSlowMark(pty, window, "\xF0", 100'000);
}

/// The threads of this process that run with real-time scheduling.
std::vector<int> realTimeThreads()
{
    std::vector<int> threads;
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task")) {
        const int thread = std::stoi(task.path().filename().string());
        if ((sched_getscheduler(thread) & ~SCHED_RESET_ON_FORK) == SCHED_FIFO)
            threads.push_back(thread);
    }
    return threads;
}

TEST(SerialService, TheReaderAloneRunsInRealTimeWhereThatIsAllowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs a process that may set real-time scheduling";
    EXPECT_TRUE(realTimeThreads().empty());
    {
        SerialService service;
        EXPECT_EQ(service.scheduling(), ReaderScheduling::RealTime);
        EXPECT_EQ(realTimeThreads().size(), 1u) << "the reader, and only it";
    }
    EXPECT_TRUE(realTimeThreads().empty());

    // Where the process may not, RealtimeKit is asked for the reader's thread.
    const std::string answer = testing::answerAsNobody([] {
        std::string asked;
        for (const bool grants : {true, false}) {
            int64_t thread = 0;
            const SerialService service({.wake = {},
                                         .realtimeKit =
                                             [&](int64_t reader, int) {
                                                 thread = reader;
                                                 return grants;
                                             },
                                         .queuedCharacters = 16});
            const bool ours = std::filesystem::exists("/proc/self/task/" + std::to_string(thread))
                && thread != ::gettid();
            asked += std::to_string(static_cast<int>(service.scheduling())) + (ours ? "+" : "-");
        }
        return asked;
    });
    EXPECT_EQ(answer,
              std::to_string(static_cast<int>(ReaderScheduling::RealTimeKit)) + "+"
                  + std::to_string(static_cast<int>(ReaderScheduling::Normal)) + "+");
}

/// Keeps the edges it gets, as "1" and "0", and whether a stamp went backwards; the test reads
/// them once the service has let go of it.
struct RecordingListener final : EdgeListener
{
    void edge(const Edge &edge) override
    {
        backwards = backwards || edge.stampMicroseconds < last;
        last = edge.stampMicroseconds;
        edges += edge.markBegins ? '1' : '0';
        ++count;
    }

    std::atomic<std::size_t> count = 0;
    std::string edges;
    int64_t last = 0;
    bool backwards = false;
};

TEST(SerialService, AListenerIsServedWhileTheWindowThreadReadsNothing)
{
    PseudoTerminal pty(PseudoTerminal::DeviceEnd::Held);
    constexpr std::size_t kQueued = 256;
    Window window(kQueued);
    RecordingListener listener;
    window.service.setEdgeListener(&listener);
    ASSERT_FALSE(window.service.open(pty.devicePath(), kCharacters));

    // Far more than the queue and the driver hold together; other bytes are no edges.
    constexpr std::string_view kPattern = "1x0x";
    constexpr std::size_t kBytes = 80'000;
    std::size_t sent = 0;
    for (const auto deadline = std::chrono::steady_clock::now() + 10s;
         sent < kBytes && std::chrono::steady_clock::now() < deadline;) {
        std::string chunk;
        for (std::size_t i = sent; i < std::min(sent + 512, kBytes); ++i)
            chunk += kPattern[i % kPattern.size()];
        const std::size_t taken = pty.send(chunk);
        sent += taken;
        if (taken < chunk.size())
            std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(sent, kBytes) << "the reader stopped reading";
    for (const auto settled = std::chrono::steady_clock::now() + 5s;
         listener.count < kBytes / 2 && std::chrono::steady_clock::now() < settled;)
        std::this_thread::sleep_for(10ms);
    window.service.setEdgeListener(nullptr);
    EXPECT_EQ(listener.edges.size(), kBytes / 2);
    EXPECT_EQ(listener.edges.find("11"), std::string::npos) << "lost or out of turn";
    EXPECT_EQ(listener.edges.find("00"), std::string::npos) << "lost or out of turn";
    EXPECT_FALSE(listener.backwards);
    // The window thread finds the first of them, as many as its queue holds.
    std::size_t queued = 0;
    while (window.service.read())
        ++queued;
    EXPECT_EQ(queued, kQueued);
}

TEST(SerialService, WithoutAListenerAFloodWaitsInTheDriverAndNothingIsLost)
{
    PseudoTerminal pty(PseudoTerminal::DeviceEnd::Held);
    constexpr std::size_t kQueued = 256;
    Window window(kQueued);
    ASSERT_FALSE(window.service.open(pty.devicePath(), kCharacters));

    // Until the queue and the driver are full: the line takes no more.
    constexpr std::size_t kMoreThanBothHold = 65'536;
    std::string sent;
    for (int idle = 0; idle < 20 && sent.size() < kMoreThanBothHold;) {
        const std::string chunk(64, static_cast<char>('a' + sent.size() / 64 % 26));
        const std::size_t taken = pty.send(chunk);
        sent += chunk.substr(0, taken);
        idle = taken == 0 ? idle + 1 : 0;
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_GT(sent.size(), kQueued) << "the driver holds what the queue does not";
    ASSERT_LT(sent.size(), kMoreThanBothHold) << "the reader read on while the queue was full";

    std::string received;
    while (const std::optional<Arrival> arrival = window.next(500ms))
        received += arrival->character;
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_EQ(received, sent);
}

} // namespace
} // namespace dcf
