// The real dcf77-sim on a real pseudo-terminal, read the way the program reads its port.

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

/// dcf77-sim as a child process; its first line of output is the device path.
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

    /// The next line of output, waiting at most 3 s.
    std::string line() const
    {
        std::string text;
        char c = 0;
        pollfd watch {m_output, POLLIN, 0};
        while (poll(&watch, 1, 3000) > 0 && read(m_output, &c, 1) == 1 && c != '\n')
            text.push_back(c);
        return text;
    }

    /// The exit status, or nothing if the process still runs after `limit`.
    std::optional<int> exitStatus(std::chrono::milliseconds limit)
    {
        for (const auto end = Clock::now() + limit; !m_status && Clock::now() < end;) {
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
    int64_t intoRealSecondMs;
};

/// Reads the device for `duration`, or until the simulator closes it.
std::vector<Received> readDevice(int device, Clock::duration duration)
{
    std::vector<Received> received;
    for (const auto until = Clock::now() + duration; Clock::now() < until;) {
        pollfd watch {device, POLLIN, 0};
        if (poll(&watch, 1, 10) <= 0)
            continue;
        char buffer[64];
        const ssize_t got = read(device, buffer, sizeof buffer);
        if (got <= 0)
            break;
        const auto real = std::chrono::system_clock::now().time_since_epoch();
        for (ssize_t k = 0; k < got; ++k)
            received.push_back(
                {buffer[k], Clock::now(),
                 std::chrono::duration_cast<std::chrono::milliseconds>(real).count() % 1000});
    }
    return received;
}

int openDevice(const std::string &path)
{
    return open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
}

/// Mark lengths in ms.
std::vector<int64_t> markLengths(const std::vector<Received> &received)
{
    std::vector<int64_t> lengths;
    std::optional<Clock::time_point> begin;
    for (const Received &r : received) {
        if (r.character == '1')
            begin = r.at;
        else if (r.character == '0' && begin)
            lengths.push_back(
                std::chrono::duration_cast<std::chrono::milliseconds>(r.at - *begin).count());
    }
    return lengths;
}

constexpr int64_t kToleranceMs = 40;

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
    const std::vector<Received> received = readDevice(device, 5s);
    close(device);

    const std::vector<int64_t> lengths = markLengths(received);
    ASSERT_EQ(lengths.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(lengths[k], k == 2 ? 200 : 100, kToleranceMs) << k;
    for (const Received &r : received) {
        if (r.character == '1') {
            EXPECT_TRUE(r.intoRealSecondMs < kToleranceMs
                        || r.intoRealSecondMs > 1000 - kToleranceMs)
                << r.intoRealSecondMs;
        }
    }

    EXPECT_EQ(sim.exitStatus(3000ms), 0);
    struct stat info;
    EXPECT_NE(lstat(link.c_str(), &info), 0) << "the link outlives the simulator";
}

/// Sleeps until `ms` into a real second, at most one second.
void sleepUntilIntoSecond(int64_t ms)
{
    const int64_t into = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count()
        % 1000;
    std::this_thread::sleep_for(std::chrono::milliseconds((1000 + ms - into) % 1000));
}

TEST(SimExecutable, DropsWhatAClosedPortLeftUnreadAndStopsOnSigterm)
{
    SimProcess sim({});
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
        EXPECT_TRUE(readDevice(device, 300ms).empty()) << "round " << round;
        EXPECT_EQ(markLengths(readDevice(device, 600ms)).size(), 1u) << "round " << round;
        close(device);
    }
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
