// The real dcf77-sim sending marks on its pseudo-terminal, and the link to it that it makes and
// removes without harm to anything else at that path.

#include "pseudo_terminal.h"

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace dcf::sim {
namespace {

/// What arrives until a wait of `timeoutMs` brings nothing or the line hangs up.
std::string readAll(int device, int timeoutMs)
{
    std::string received;
    std::array<char, 256> buffer {};
    for (pollfd watch {device, POLLIN, 0}; poll(&watch, 1, timeoutMs) > 0;) {
        const ssize_t got = ::read(device, buffer.data(), buffer.size());
        if (got <= 0)
            break;
        received.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return received;
}

/// Runs dcf77-sim for `seconds`, then stops it with SIGTERM; its first line is the device.
/// Only the simulator gets the signal: timeout's default also sends SIGTERM and SIGCONT to its
/// process group, and a SIGCONT that meets the leak checker's tracer at exit can hang it.
/// Should the simulator not end, it is killed ten seconds later and the test fails.
FILE *startSimulator(const std::string &arguments, int seconds)
{
    const std::string command = "timeout --foreground --preserve-status --kill-after=10 "
        + std::to_string(seconds) + " " DCF77_SIM_EXECUTABLE " " + arguments + " 2>&1";
    return popen(command.c_str(), "r");
}

std::string firstLine(FILE *output)
{
    std::array<char, 256> line {};
    const std::string text = fgets(line.data(), line.size(), output) ? line.data() : "";
    return text.substr(0, text.find('\n'));
}

int exitStatus(FILE *simulator)
{
    const int status = pclose(simulator);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Simulator, SendsMarksOnItsDeviceUntilStoppedAndCleansUp)
{
    const std::string link = "/tmp/dcf77-sim-test-" + std::to_string(getpid());
    const std::string writeLog = link + ".log";
    FILE *simulator = startSimulator(
        "--start '2026-12-05 14:36:10' --link " + link + " --log-writes " + writeLog, 3);
    const std::string path = firstLine(simulator);
    ASSERT_TRUE(path.starts_with("/dev/")) << path;
    EXPECT_EQ(std::filesystem::read_symlink(link), path);
    const int device = openDeviceRaw(link);
    const std::string received = readAll(device, 1500);
    ::close(device);
    EXPECT_TRUE(received.starts_with("10") || received.starts_with("0")) << received;
    EXPECT_EQ(exitStatus(simulator), 0) << "a clean stop on SIGTERM";
    EXPECT_FALSE(std::filesystem::is_symlink(link)) << "the link outlives the simulator";

    // The log has every edge that was sent, in order, and only those.
    std::ifstream log(writeLog);
    std::string logged;
    char edge = 0;
    for (long long sentNs = 0, previousNs = 0; log >> sentNs >> edge; previousNs = sentNs) {
        EXPECT_GE(sentNs, previousNs);
        logged += edge;
    }
    std::filesystem::remove(writeLog);
    EXPECT_EQ(logged, received);
}

/// A fresh path in /tmp for this test process, removed again at the end.
struct ScratchPath
{
    explicit ScratchPath(const std::string &name)
        : path("/tmp/dcf77-link-test-" + std::to_string(getpid()) + "-" + name)
    {
        std::filesystem::remove(path);
    }
    ~ScratchPath() { std::filesystem::remove(path); }
    std::string path;
};

TEST(DeviceLink, ReplacesOnlyASymbolicLinkAndRemovesOnlyItsOwn)
{
    namespace fs = std::filesystem;
    // A regular file, a FIFO and a device node where a user may name a real port (making one
    // needs privileges) stay as they are.
    ScratchPath file("file"), fifo("fifo"), node("node");
    std::ofstream(file.path) << "precious";
    ASSERT_EQ(mkfifo(fifo.path.c_str(), 0600), 0);
    ::mknod(node.path.c_str(), S_IFCHR | 0600, makedev(1, 3));
    for (const ScratchPath *kept : {&file, &fifo, &node}) {
        const fs::file_type type = fs::symlink_status(kept->path).type();
        if (type != fs::file_type::not_found) {
            EXPECT_THROW(DeviceLink(kept->path, "/dev/pts/0"), std::runtime_error) << kept->path;
        }
        EXPECT_EQ(fs::symlink_status(kept->path).type(), type) << kept->path;
    }
    EXPECT_EQ(fs::file_size(file.path), 8u) << "a regular file was touched";

    ScratchPath link("link");
    fs::create_symlink("/elsewhere", link.path);
    {
        DeviceLink made(link.path, "/dev/pts/0");
        EXPECT_EQ(fs::read_symlink(link.path), "/dev/pts/0");
    }
    EXPECT_FALSE(fs::is_symlink(fs::symlink_status(link.path))) << "its own link stayed";
    {
        DeviceLink made(link.path, "/dev/pts/0");
        fs::remove(link.path);
        fs::create_symlink("/dev/pts/99", link.path); // someone else's now
    }
    EXPECT_EQ(fs::read_symlink(link.path), "/dev/pts/99");
}

TEST(Simulator, RefusesWithAReasonAndItsStatus)
{
    ScratchPath file("refused");
    std::ofstream(file.path) << "precious";
    const std::tuple<std::string, std::string, int> refusals[]
        = {{"--link " + file.path,
            file.path + " is a regular file, not a symbolic link; it is left as it is", 1},
           {"--jitter lots", "--jitter wants a whole number from 0 to 200, not \"lots\"", 2}};
    for (const auto &[arguments, reason, status] : refusals) {
        FILE *simulator = startSimulator(arguments, 5);
        EXPECT_EQ(firstLine(simulator), "dcf77-sim: " + reason);
        EXPECT_EQ(exitStatus(simulator), status);
    }
    EXPECT_EQ(std::filesystem::file_size(file.path), 8u);
}

} // namespace
} // namespace dcf::sim
