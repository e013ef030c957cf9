// The real dcf77-sim on a real pseudo-terminal, read the way the program reads its port.

#include <chrono>
#include <cstdio>
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

/// Starts dcf77-sim, which gets SIGTERM after `stopAfterSeconds`; its first line is the device.
FILE *startSim(const std::string &arguments, int stopAfterSeconds = 20)
{
    const std::string command = "timeout --preserve-status " + std::to_string(stopAfterSeconds)
        + " " DCF77_SIM_EXECUTABLE " " + arguments + " 2>&1";
    return popen(command.c_str(), "r");
}

std::string lineOf(FILE *output)
{
    char line[256] = {};
    if (!fgets(line, sizeof line, output))
        return {};
    std::string text(line);
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

int exitStatus(FILE *sim)
{
    const int status = pclose(sim);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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
        const int64_t into = std::chrono::duration_cast<std::chrono::milliseconds>(real).count();
        for (ssize_t k = 0; k < got; ++k)
            received.push_back({buffer[k], Clock::now(), into % 1000});
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
    const Clock::time_point started = Clock::now();
    FILE *sim = startSim("--start '2026-12-05 14:36:56' --duration 3 --link " + link);
    const std::string path = lineOf(sim);
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;
    char target[256] = {};
    EXPECT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(path, target);

    const int device = openDevice(path);
    const std::vector<Received> received = readDevice(device, 5s);
    close(device);
    EXPECT_EQ(exitStatus(sim), 0);
    EXPECT_LT(Clock::now() - started, 10s) << "ran past its duration";

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
    const std::string link = "/tmp/dcf77-sim-test-term-" + std::to_string(getpid());
    // From second 10 on, so that no minute gap falls into the rounds below.
    FILE *sim = startSim("--start '2026-12-05 14:36:10' --link " + link, 12);
    const std::string path = lineOf(sim);
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;

    for (int round = 0; round < 2; ++round) {
        // Leave at least one mark unread, as a program does that closes the port meanwhile.
        int device = openDevice(path);
        std::this_thread::sleep_for(1000ms);
        sleepUntilIntoSecond(250);
        close(device);

        // Between 0.3 s and 0.9 s into a second no edge is due, so whatever arrives there is a
        // leftover that a real line would have lost.
        sleepUntilIntoSecond(400);
        device = openDevice(path);
        EXPECT_TRUE(readDevice(device, 300ms).empty()) << "round " << round;
        EXPECT_EQ(markLengths(readDevice(device, 600ms)).size(), 1u) << "round " << round;
        close(device);
    }
    EXPECT_EQ(exitStatus(sim), 0) << "a clean stop on SIGTERM";
    struct stat info;
    EXPECT_NE(lstat(link.c_str(), &info), 0) << "the link outlives the simulator";
}

TEST(SimExecutable, RefusesABadValueWithStatus2)
{
    FILE *sim = startSim("--jitter lots");
    EXPECT_NE(lineOf(sim).find("--jitter"), std::string::npos);
    EXPECT_EQ(exitStatus(sim), 2);
}

} // namespace
