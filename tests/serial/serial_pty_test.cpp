// The serial service on real pseudo-terminals, in real time: characters keep the stamp of their
// arrival however late they are taken; a hung-up port is closed by the reader at once and the
// window thread is woken; the lock holds whichever path names the device; every kind of unusable
// path is told apart; a listener is served while the window thread reads nothing.

#include "platform/serial/port.h"
#include "platform/serial/serial_service.h"
#include "pseudo_terminal.h"

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace dcf {
namespace {

using namespace std::chrono_literals;
using sim::PseudoTerminal;

constexpr ReceiverChoice kCharacters {ReceiverKind::Characters, Polarity::FromSignal,
                                      PowerLines::Dtr};

/// The window thread's side: woken by the service, it takes what has arrived.
class Window
{
public:
    explicit Window(std::size_t queued = 4096)
        : service({.wake = [this] { woken(); }, .realtimeKit = {}, .queuedCharacters = queued})
    { }

    /// The next character, waiting up to `timeout` for it.
    std::optional<Arrival> next(std::chrono::milliseconds timeout = 2s)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::unique_lock lock(m_mutex);
        for (;;) {
            lock.unlock();
            std::optional<Arrival> arrival = service.read();
            lock.lock();
            if (arrival || service.failure())
                return arrival;
            if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout)
                return service.read();
        }
    }

    /// Waits until the service has woken the window thread `count` times in all.
    bool wokenAtLeast(int count, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_wakeUps >= count; });
    }

    SerialService service;

private:
    void woken()
    {
        const std::scoped_lock lock(m_mutex);
        ++m_wakeUps;
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_wakeUps = 0;
};

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
    // Wide enough for a loaded machine, far below the 400 ms a stamp taken on reading would show.
    constexpr int64_t kToleranceUs = 150'000;
    EXPECT_GE(first->stampMicroseconds, firstWritten);
    EXPECT_LT(first->stampMicroseconds - firstWritten, kToleranceUs);
    EXPECT_GE(second->stampMicroseconds, secondWritten);
    EXPECT_LT(second->stampMicroseconds - secondWritten, kToleranceUs);
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
    ASSERT_TRUE(window.service.failure());
    EXPECT_EQ(window.service.failure()->cause, PortFault::Vanished);
    EXPECT_FALSE(window.service.isOpen());
    EXPECT_FALSE(window.service.read());

    // The reader has closed its descriptor (so the lock is free) and does not spin meanwhile.
    timespec before {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    std::this_thread::sleep_for(300ms);
    timespec after {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double busySeconds = static_cast<double>(after.tv_sec - before.tv_sec)
        + static_cast<double>(after.tv_nsec - before.tv_nsec) / 1e9;
    EXPECT_LT(busySeconds, 0.05) << "a thread spins on the dead port";
    EXPECT_EQ(::flock(device, LOCK_EX | LOCK_NB), 0) << "the failed port is still open";
    ::close(device);

    window.service.close();
    EXPECT_FALSE(window.service.failure()) << "a close clears the failure for the next open";
}

TEST(SerialService, AClosedPortCanBeOpenedAgainAndReadsOnlyWhatCameSince)
{
    PseudoTerminal pty(PseudoTerminal::DeviceEnd::Held);
    Window window;
    ASSERT_FALSE(window.service.open(pty.devicePath(), kCharacters));
    pty.send("1");
    ASSERT_TRUE(window.next());
    window.service.close();
    EXPECT_FALSE(window.service.isOpen());
    pty.send("0"); // while closed

    ASSERT_FALSE(window.service.open(pty.devicePath(), kCharacters));
    pty.send("1");
    const std::optional<Arrival> arrival = window.next();
    ASSERT_TRUE(arrival);
    EXPECT_EQ(arrival->character, '1');
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
    EXPECT_FALSE(first.service.check(pty.devicePath(), kCharacters)) << "its own port is usable";
    for (const std::string &path : {pty.devicePath(), link}) {
        const std::optional<PortProblem> problem = second.service.open(path, kCharacters);
        ASSERT_TRUE(problem) << path;
        EXPECT_EQ(problem->cause, PortFault::InUse) << path;
        ASSERT_TRUE(second.service.check(path, kCharacters)) << path;
        EXPECT_EQ(second.service.check(path, kCharacters)->cause, PortFault::InUse) << path;
    }
    pty.send("1");
    EXPECT_TRUE(first.next()) << "the refused second program took nothing from the first";

    first.service.close();
    EXPECT_FALSE(second.service.open(pty.devicePath(), kCharacters));
}

struct UnusablePath
{
    const char *what;
    std::string path;
    ReceiverChoice choice;
    PortFault cause;
};

TEST(SerialService, EveryUnusablePathIsToldApart)
{
    PseudoTerminal pty(PseudoTerminal::DeviceEnd::Held);
    Scratch scratch;
    const std::string file = scratch / "file";
    std::fclose(std::fopen(file.c_str(), "w"));
    const std::string fifo = scratch / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string dangling = scratch / "dangling";
    ASSERT_EQ(::symlink((scratch / "nothing").c_str(), dangling.c_str()), 0);

    const ReceiverChoice dcd {ReceiverKind::Dcd, Polarity::FromSignal, PowerLines::Dtr};
    const std::vector<UnusablePath> paths {
        {"/dev/null", "/dev/null", kCharacters, PortFault::NotASerialPort},
        {"a regular file", file, kCharacters, PortFault::NotASerialPort},
        {"a directory", scratch / "", kCharacters, PortFault::NotASerialPort},
        {"a FIFO", fifo, kCharacters, PortFault::NotASerialPort},
        {"nothing there", "/dev/no-such-receiver", kCharacters, PortFault::NoSuchDevice},
        {"a link to nothing", dangling, kCharacters, PortFault::NoSuchDevice},
        {"nothing typed", "", kCharacters, PortFault::NoSuchDevice},
        {"a line on a terminal without lines", pty.devicePath(), dcd, PortFault::NoModemLines},
    };
    Window window;
    for (const UnusablePath &unusable : paths) {
        SCOPED_TRACE(unusable.what);
        const std::optional<PortProblem> opened
            = window.service.open(unusable.path, unusable.choice);
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->cause, unusable.cause);
        EXPECT_FALSE(window.service.isOpen());
        const std::optional<PortProblem> checked
            = window.service.check(unusable.path, unusable.choice);
        ASSERT_TRUE(checked);
        EXPECT_EQ(checked->cause, unusable.cause);
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
    int results[2];
    ASSERT_EQ(::pipe(results), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            _exit(2);
        const std::optional<PortProblem> problem
            = serial::Port::check(pty.devicePath(), kCharacters, {});
        const std::string answer = problem ? std::to_string(static_cast<int>(problem->cause)) + " "
                + problem->owner + " " + problem->group
                                           : "none";
        [[maybe_unused]] const ssize_t written = ::write(results[1], answer.data(), answer.size());
        _exit(0);
    }
    ::close(results[1]);
    std::string answer(256, '\0');
    const ssize_t length = ::read(results[0], answer.data(), answer.size());
    ::close(results[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    answer.resize(static_cast<std::size_t>(std::max<ssize_t>(length, 0)));

    EXPECT_EQ(answer, std::to_string(static_cast<int>(PortFault::NoAccess)) + " root dialout");
}

/// Counts the edges it gets and checks their order.
class CountingListener final : public EdgeListener
{
public:
    void edge(const Edge &edge) override
    {
        const std::scoped_lock lock(mutex);
        if (count > 0 && edge.markBegins == last.markBegins)
            ++outOfTurn;
        if (edge.stampMicroseconds < last.stampMicroseconds)
            ++backwards;
        last = edge;
        ++count;
    }

    std::mutex mutex;
    Edge last;
    std::size_t count = 0;
    std::size_t outOfTurn = 0;
    std::size_t backwards = 0;
};

TEST(SerialService, AListenerIsServedWhileTheWindowThreadReadsNothing)
{
    PseudoTerminal pty(PseudoTerminal::DeviceEnd::Held);
    constexpr std::size_t kQueued = 256;
    Window window(kQueued);
    CountingListener listener;
    window.service.setEdgeListener(&listener);
    ASSERT_FALSE(window.service.open(pty.devicePath(), kCharacters));

    // Far more than the queue and the driver hold together; other bytes are no edges.
    constexpr std::string_view kPattern = "1x0x";
    constexpr std::size_t kBytes = 80'000;
    constexpr std::size_t kEdges = kBytes / 2;
    std::size_t sent = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (sent < kBytes && std::chrono::steady_clock::now() < deadline) {
        std::string chunk;
        for (std::size_t i = sent; i < std::min(sent + 512, kBytes); ++i)
            chunk += kPattern[i % kPattern.size()];
        const std::size_t taken = pty.send(chunk);
        sent += taken;
        if (taken < chunk.size())
            std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(sent, kBytes) << "the reader stopped reading";
    const auto settled = std::chrono::steady_clock::now() + 5s;
    for (;;) {
        {
            const std::scoped_lock lock(listener.mutex);
            if (listener.count == kEdges || std::chrono::steady_clock::now() > settled)
                break;
        }
        std::this_thread::sleep_for(10ms);
    }
    window.service.setEdgeListener(nullptr);
    {
        const std::scoped_lock lock(listener.mutex);
        EXPECT_EQ(listener.count, kEdges);
        EXPECT_EQ(listener.outOfTurn, 0u);
        EXPECT_EQ(listener.backwards, 0u);
    }
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
    std::string sent;
    for (int idle = 0; idle < 20;) {
        const std::string chunk(64, static_cast<char>('a' + sent.size() / 64 % 26));
        const std::size_t taken = pty.send(chunk);
        sent += chunk.substr(0, taken);
        idle = taken == 0 ? idle + 1 : 0;
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_GT(sent.size(), kQueued) << "the driver holds what the queue does not";

    std::string received;
    while (const std::optional<Arrival> arrival = window.next(500ms))
        received += arrival->character;
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_EQ(received, sent);
}

} // namespace
} // namespace dcf
