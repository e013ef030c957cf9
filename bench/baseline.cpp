#include "baseline.h"

#include "program_probe.h"
#include "pseudo_terminal.h"
#include "sent_edges.h"
#include "simulator_process.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace dcf::bench {

namespace {

constexpr int64_t kNsPerMs = 1'000'000;
constexpr int64_t kNsPerUs = 1000;
/// Wake-ups halfway between the marks' edges, so that the two measurements do not meet.
constexpr int64_t kWakeOffsetMs = 500;

/// Sleeps until whole-millisecond deadlines once a second, as the running clock does, and
/// records how late each wake-up came.
void timeWakeUps(const std::atomic<bool> &stop, std::vector<int64_t> &lateNs)
{
    int64_t due = (monotonicNs() / kNsPerMs + 1000 + kWakeOffsetMs) * kNsPerMs;
    while (!stop) {
        const timespec until {static_cast<time_t>(due / 1'000'000'000),
                              static_cast<long>(due % 1'000'000'000)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) { }
        lateNs.push_back(monotonicNs() - due);
        due += 1000 * kNsPerMs;
    }
}

} // namespace

int runBaseline(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir logFolder;
    const QString writeLog = logFolder.filePath(QStringLiteral("sent"));
    driver::SimulatorProcess receiver({QStringLiteral("--log-writes"), writeLog});
    if (!receiver.start())
        return 1;
    const int fd = sim::openDeviceRaw(receiver.devicePath().toStdString());
    if (fd < 0)
        return 1;

    std::atomic<bool> stop = false;
    std::vector<int64_t> lateNs;
    std::thread sleeper(timeWakeUps, std::cref(stop), std::ref(lateNs));

    int64_t markStartNs = -1;
    // Each mark's edges as they arrived, matched with what was sent at the end.
    std::vector<std::pair<int64_t, int64_t>> marks;
    bool receiverLost = false;
    while (!receiverLost) {
        pollfd watch[] = {{fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (::poll(watch, 2, -1) <= 0)
            continue;
        const int64_t now = monotonicNs();
        // The benchmark closes the pipe (or has ended): enough.
        char ignored = 0;
        if (watch[1].revents != 0 && ::read(STDIN_FILENO, &ignored, 1) <= 0)
            break;
        if (watch[0].revents == 0)
            continue;
        char characters[64];
        const ssize_t count = ::read(fd, characters, sizeof characters);
        // A hung-up terminal stays readable with nothing to read.
        receiverLost = count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR);
        for (ssize_t index = 0; index < count; ++index) {
            if (characters[index] == '1') {
                markStartNs = now;
            } else if (characters[index] == '0' && markStartNs >= 0) {
                marks.emplace_back(markStartNs, now);
                markStartNs = -1;
            }
        }
    }
    stop = true;
    sleeper.join();
    const SentEdges sent = SentEdges::read(writeLog.toStdString());
    for (const auto &[beginNs, endNs] : marks) {
        const std::optional<SentEdges::Mark> mark
            = sent.markArrivedAt(beginNs / kNsPerUs, endNs / kNsPerUs);
        std::printf("mark %lld %lld\n", static_cast<long long>((endNs - beginNs) / kNsPerUs),
                    mark ? std::llround(mark->sentMs * 1000) : -1LL);
    }
    for (const int64_t late : lateNs)
        std::printf("wake %lld\n", static_cast<long long>(late / kNsPerUs));
    ::close(fd);
    if (receiverLost)
        std::fprintf(stderr, "dcf77-bench: the plain reader's receiver went away\n");
    return receiverLost ? 1 : 0;
}

void Baseline::start()
{
    m_child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kBaselineOption)});
}

void Baseline::stop()
{
    m_child.closeWriteChannel();
}

bool Baseline::hasEnded() const
{
    return m_child.state() == QProcess::NotRunning;
}

bool Baseline::collect(QString &error)
{
    if (m_child.error() == QProcess::FailedToStart || m_child.exitStatus() != QProcess::NormalExit
        || m_child.exitCode() != 0) {
        error = QStringLiteral("the baseline measurement failed");
        return false;
    }
    const QList<QByteArray> lines = m_child.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 3 && fields[0] == "mark") {
            markLengthsUs.push_back(fields[1].toDouble());
            sentLengthsUs.push_back(fields[2].toDouble());
        } else if (fields.size() == 2 && fields[0] == "wake") {
            wakeLatenessMs.push_back(fields[1].toDouble() / 1000.0);
        }
    }
    return true;
}

} // namespace dcf::bench
