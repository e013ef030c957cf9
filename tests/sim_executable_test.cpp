// The real dcf77-sim on a real pseudo-terminal, read the way the program reads its port.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// dcf77-sim as a child process with its standard output and error on one pipe.
class SimProcess
{
public:
    explicit SimProcess(std::vector<std::string> arguments)
    {
        int output[2];
        if (pipe(output) != 0)
            throw std::runtime_error("pipe");
        arguments.insert(arguments.begin(), DCF77_SIM_EXECUTABLE);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(output[1], STDOUT_FILENO);
            dup2(output[1], STDERR_FILENO);
            std::vector<char *> argv;
            for (std::string &argument : arguments)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(output[1]);
        m_output = output[0];
    }

    ~SimProcess()
    {
        if (!m_status) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_output);
    }

    /// The next line of output (all of it once the process has ended), waiting at most 3 s.
    std::string line()
    {
        std::string text;
        const auto end = Clock::now() + 3s;
        char c = 0;
        pollfd watch {m_output, POLLIN, 0};
        while (Clock::now() < end && poll(&watch, 1, 50) >= 0) {
            if ((watch.revents & (POLLIN | POLLHUP)) == 0)
                continue;
            if (read(m_output, &c, 1) != 1 || c == '\n')
                break;
            text.push_back(c);
        }
        return text;
    }

    /// The exit status, or nothing if the process is still running after `limit`.
    std::optional<int> exitStatus(std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        while (!m_status && Clock::now() < end) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid)
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            else
                std::this_thread::sleep_for(20ms);
        }
        return m_status;
    }

    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_output = -1;
    std::optional<int> m_status;
};

struct Received
{
    char character;
    Clock::time_point at;
    std::chrono::system_clock::time_point realAt;
};

/// Reads the device until `until`, or until the simulator closes it.
std::vector<Received> readDevice(int device, Clock::time_point until)
{
    std::vector<Received> received;
    while (Clock::now() < until) {
        pollfd watch {device, POLLIN, 0};
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        if (poll(&watch, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0)
            continue;
        char buffer[64];
        const ssize_t got = read(device, buffer, sizeof buffer);
        if (got <= 0)
            break; // the simulator has gone
        for (ssize_t k = 0; k < got; ++k)
            received.push_back({buffer[k], Clock::now(), std::chrono::system_clock::now()});
    }
    return received;
}

int openDevice(const std::string &path)
{
    return open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
}

struct Timing
{
    std::vector<int64_t> lengths; ///< of the marks, in ms
    std::vector<int64_t> periods; ///< between mark starts, in ms
};

Timing measure(const std::vector<Received> &received)
{
    const auto ms = [](Clock::duration d) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
    };
    Timing timing;
    std::optional<Clock::time_point> begin;
    std::optional<Clock::time_point> previousBegin;
    for (const Received &r : received) {
        if (r.character == '1') {
            if (previousBegin)
                timing.periods.push_back(ms(r.at - *previousBegin));
            begin = previousBegin = r.at;
        } else if (r.character == '0' && begin) {
            timing.lengths.push_back(ms(r.at - *begin));
            begin.reset();
        }
    }
    return timing;
}

constexpr int64_t kTolerance = 40;

TEST(SimExecutable, SendsTimedMarksOnTheRealSecondsAndCleansUp)
{
    const std::string link = "/tmp/dcf77-sim-test-" + std::to_string(getpid());
    // Seconds 56, 57, 58 of the telegram for 2026-12-05 14:37: bits 0, 0, 1; then the gap.
    SimProcess sim({"--start", "2026-12-05 14:36:56", "--duration", "3", "--link", link});
    const std::string path = sim.line();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(path, target);

    const int device = openDevice(path);
    ASSERT_GE(device, 0) << path;
    const std::vector<Received> received = readDevice(device, Clock::now() + 5s);
    close(device);

    const Timing timing = measure(received);
    ASSERT_EQ(timing.lengths.size(), 3u);
    EXPECT_NEAR(timing.lengths[0], 100, kTolerance);
    EXPECT_NEAR(timing.lengths[1], 100, kTolerance);
    EXPECT_NEAR(timing.lengths[2], 200, kTolerance);
    for (const int64_t period : timing.periods) {
        EXPECT_NEAR(period, 1000, kTolerance);
    }
    for (const Received &r : received) {
        if (r.character != '1')
            continue;
        const auto intoSecond
            = std::chrono::duration_cast<std::chrono::milliseconds>(r.realAt.time_since_epoch())
                  .count()
            % 1000;
        EXPECT_TRUE(intoSecond < kTolerance || intoSecond > 1000 - kTolerance) << intoSecond;
    }

    EXPECT_EQ(sim.exitStatus(3000ms), 0);
    struct stat info;
    EXPECT_NE(lstat(link.c_str(), &info), 0) << "the link outlives the simulator";
}

/// Sleeps until `ms` into a real second, at most one second.
void sleepUntilIntoSecond(int64_t ms)
{
    const auto now = std::chrono::system_clock::now();
    const int64_t into
        = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count()
        % 1000;
    std::this_thread::sleep_for(std::chrono::milliseconds((1000 + ms - into) % 1000));
}

TEST(SimExecutable, CopesWithThePortBeingClosedAndReopened)
{
    SimProcess sim({"--duration", "9"});
    const std::string path = sim.line();
    ASSERT_FALSE(path.empty());

    for (int round = 0; round < 2; ++round) {
        // Leave at least one mark unread, as a program does that closes the port meanwhile.
        int device = openDevice(path);
        ASSERT_GE(device, 0);
        std::this_thread::sleep_for(1000ms);
        sleepUntilIntoSecond(250);
        close(device);

        // Between 0.3 s and 0.9 s into a second no edge is due, so whatever arrives there is a
        // leftover that a real line would have lost.
        sleepUntilIntoSecond(400);
        device = openDevice(path);
        ASSERT_GE(device, 0);
        const std::vector<Received> leftovers = readDevice(device, Clock::now() + 300ms);
        EXPECT_TRUE(leftovers.empty()) << "round " << round << ": " << leftovers.size();

        // And the signal goes on.
        const std::vector<Received> received = readDevice(device, Clock::now() + 600ms);
        close(device);
        EXPECT_EQ(measure(received).lengths.size(), 1u) << "round " << round;
    }
    EXPECT_EQ(sim.exitStatus(6000ms), 0);
}

TEST(SimExecutable, StopsCleanlyOnSigterm)
{
    SimProcess sim({});
    ASSERT_FALSE(sim.line().empty());
    kill(sim.pid(), SIGTERM);
    EXPECT_EQ(sim.exitStatus(2000ms), 0);
}

TEST(SimExecutable, RefusesABadValueWithStatus2)
{
    SimProcess sim({"--jitter", "lots"});
    EXPECT_EQ(sim.exitStatus(2000ms), 2);
    EXPECT_NE(sim.line().find("--jitter"), std::string::npos);
}

} // namespace
