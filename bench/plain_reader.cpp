#include "plain_reader.h"

#include "process_usage.h"
#include "pseudo_terminal.h"
#include "receiver_line.h"
#include "simulator_process.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace dcf::bench {

namespace {

constexpr int64_t kNsPerMs = 1'000'000;
constexpr int64_t kNsPerSecond = 1'000'000'000;
/// Wake-ups halfway between the marks' edges, so that the two measurements do not meet.
constexpr int64_t kWakeOffsetMs = 500;
/// At 50 baud: a character arrives a frame after its mark began, each low bit lasts this long.
constexpr int64_t kSlowFrameNs = 200 * kNsPerMs;
constexpr int64_t kSlowBitNs = 20 * kNsPerMs;
constexpr int kPollMs = 100;

void sleepUntil(int64_t ns)
{
    const timespec until {static_cast<time_t>(ns / kNsPerSecond),
                          static_cast<long>(ns % kNsPerSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) { }
}

/// Sleeps until whole-millisecond deadlines once a second, as the running clock does, and
/// records how late each wake-up came.
void timeWakeUps(const std::atomic<bool> &stop, std::vector<int64_t> &lateNs)
{
    int64_t due = (monotonicNs() / kNsPerMs + 1000 + kWakeOffsetMs) * kNsPerMs;
    while (!stop) {
        sleepUntil(due);
        lateNs.push_back(monotonicNs() - due);
        due += kNsPerSecond;
    }
}

/// The marks a plain reader saw, as (begin, end) stamps in ns.
struct Marks
{
    std::mutex mutex;
    std::vector<std::pair<int64_t, int64_t>> seen;
    std::optional<int64_t> begin;

    void edge(bool markBegins, int64_t now)
    {
        const std::lock_guard lock(mutex);
        if (markBegins)
            begin = now;
        else if (begin)
            seen.emplace_back(*std::exchange(begin, std::nullopt), now);
    }
};

void readCharacters(int fd, bool slow, const std::atomic<bool> &stop, Marks &marks)
{
    while (!stop) {
        pollfd watch {fd, POLLIN, 0};
        if (::poll(&watch, 1, kPollMs) <= 0)
            continue;
        const int64_t now = monotonicNs();
        unsigned char characters[64];
        const ssize_t count = ::read(fd, characters, sizeof characters);
        if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR))
            return; // hung up
        for (ssize_t index = 0; index < count; ++index) {
            const unsigned char c = characters[index];
            if (slow) {
                // Its low bits, the start bit with them, give the length; a NUL is a long mark.
                const int64_t begin = now - kSlowFrameNs;
                marks.edge(true, begin);
                marks.edge(false, begin + (c == 0 ? 10 : std::countr_zero(c) + 1) * kSlowBitNs);
            } else if (c == '1' || c == '0') {
                marks.edge(c == '1', now);
            }
        }
    }
}

void readLine(int fd, uint32_t line, bool sampled, const std::atomic<bool> &stop, Marks &marks)
{
    bool active = false;
    for (int64_t due = monotonicNs(); !stop;) {
        // RI wakes a wait only at its trailing edge: sampled instead, as the program does.
        if (sampled) {
            due += kNsPerMs;
            sleepUntil(due);
        } else if (::ioctl(fd, TIOCMIWAIT, line) != 0 && errno != EINTR) {
            return;
        }
        const int64_t now = monotonicNs();
        int status = 0;
        if (::ioctl(fd, TIOCMGET, &status) != 0)
            return;
        if (((status & static_cast<int>(line)) != 0) != active) {
            active = !active;
            marks.edge(active, now);
        }
    }
}

} // namespace

int runPlainReader(int argc, char **argv, ReceiverKind kind)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir logFolder;
    const QString writeLog = logFolder.filePath(QStringLiteral("sent"));
    driver::SimulatorProcess receiver({QStringLiteral("--receiver"),
                                       QString::fromUtf8(receiverKindName(kind).data()),
                                       QStringLiteral("--log-writes"), writeLog});
    if (!receiver.start())
        return 1;
    const int fd = sim::openDeviceRaw(receiver.devicePath().toStdString());
    if (fd < 0)
        return 1;
    termios settings {};
    if (kind == ReceiverKind::Rxd50
        && (tcgetattr(fd, &settings) != 0 || cfsetspeed(&settings, B50) != 0
            || tcsetattr(fd, TCSANOW, &settings) != 0))
        return 1;

    std::atomic<bool> stop = false;
    std::vector<int64_t> lateNs;
    Marks marks;
    std::thread sleeper(timeWakeUps, std::cref(stop), std::ref(lateNs));
    std::thread reader([&] {
        if (const uint32_t line = sim::statusLineOf(kind))
            readLine(fd, line, kind == ReceiverKind::Ri, stop, marks);
        else
            readCharacters(fd, kind == ReceiverKind::Rxd50, stop, marks);
    });
    // The benchmark closes the pipe (or has ended): enough.
    for (char ignored = 0; ::read(STDIN_FILENO, &ignored, 1) > 0;) { }
    stop = true;
    receiver.stop(); // wakes a reader that waits for a line
    reader.join();
    sleeper.join();
    ::close(fd);

    const SentEdges sent = SentEdges::read(writeLog.toStdString());
    for (const auto &[beginNs, endNs] : marks.seen) {
        const std::optional<SentEdges::Mark> mark
            = sent.markArrivedAt(beginNs / 1000, endNs / 1000);
        std::printf("mark %lld %lld\n", static_cast<long long>((endNs - beginNs) / 1000),
                    mark ? static_cast<long long>((mark->endNs - mark->beginNs) / 1000) : -1LL);
    }
    for (const int64_t late : lateNs)
        std::printf("wake %lld\n", static_cast<long long>(late / 1000));
    return 0;
}

void PlainReader::start(ReceiverKind kind)
{
    m_child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_child.start(QCoreApplication::applicationFilePath(),
                  {QString::fromLatin1(kPlainReaderOption),
                   QString::fromUtf8(receiverKindName(kind).data())});
}

void PlainReader::stop()
{
    m_child.closeWriteChannel();
}

bool PlainReader::hasEnded() const
{
    return m_child.state() == QProcess::NotRunning;
}

bool PlainReader::collect(PlainReading &reading)
{
    if (m_child.error() == QProcess::FailedToStart || m_child.exitStatus() != QProcess::NormalExit
        || m_child.exitCode() != 0)
        return false;
    const QList<QByteArray> lines = m_child.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 3 && fields[0] == "mark") {
            reading.lengthsUs.push_back(fields[1].toDouble());
            reading.sentUs.push_back(fields[2].toDouble());
        } else if (fields.size() == 2 && fields[0] == "wake") {
            reading.wakeLatenessMs.push_back(fields[1].toDouble() / 1000.0);
        }
    }
    return true;
}

} // namespace dcf::bench
