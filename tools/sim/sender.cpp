#include "sender.h"

#include "random.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <string>

namespace dcf::sim {

namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kNsPerMs = 1'000'000;
/// How often to look for a program while nobody has the device open (there is no event for
/// the opening) and how long an idle wait may last before the stop flag is looked at again.
constexpr int64_t kIdleCheckNs = 200 * kNsPerMs;
constexpr int64_t kFinalApproachNs = 2 * kNsPerMs;
constexpr std::size_t kFloodChunk = 256;

int64_t nowNs(clockid_t clock)
{
    timespec now {};
    clock_gettime(clock, &now);
    return now.tv_sec * kNsPerSecond + now.tv_nsec;
}

timespec toTimespec(int64_t ns)
{
    return {static_cast<time_t>(ns / kNsPerSecond), static_cast<long>(ns % kNsPerSecond)};
}

/// Sleeps until an absolute monotonic time; returns early on a signal.
void sleepUntil(int64_t deadlineNs)
{
    const timespec deadline = toTimespec(deadlineNs);
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
}

class Waiter
{
public:
    Waiter(PseudoTerminal &terminal, const SenderSettings &settings,
           const volatile std::sig_atomic_t &stopRequested)
        : m_terminal(terminal)
        , m_settings(settings)
        , m_stop(stopRequested)
        , m_random(settings.seed ^ 0xF100DULL)
    { }

    /// Waits until `deadlineNs` (monotonic), meanwhile watching for the program closing the
    /// device and, with --flood, writing random bytes whenever the line takes them. Returns
    /// false when a stop was requested.
    bool waitUntil(int64_t deadlineNs)
    {
        for (;;) {
            if (m_stop)
                return false;
            const int64_t now = nowNs(CLOCK_MONOTONIC);
            if (now >= deadlineNs)
                return true;
            const int64_t remaining = deadlineNs - now;
            if (remaining <= kFinalApproachNs) {
                sleepUntil(deadlineNs);
                continue;
            }
            if (!m_terminal.readerPresent()) {
                sleepUntil(std::min(deadlineNs, now + kIdleCheckNs));
                continue;
            }
            // The poll wakes on a hang-up (and, flooding, whenever the line takes more); it
            // ends a little early so that the absolute sleep above sets the exact moment.
            pollfd watch {m_terminal.controllerFd(),
                          static_cast<short>(m_settings.flood ? POLLOUT : 0), 0};
            const timespec timeout
                = toTimespec(std::min(remaining - kFinalApproachNs, kIdleCheckNs));
            if (ppoll(&watch, 1, &timeout, nullptr) <= 0)
                continue; // timed out, or a signal: look at the clock and the stop flag
            if ((watch.revents & POLLHUP) != 0) {
                m_terminal.readerLeft();
                continue;
            }
            if ((watch.revents & POLLOUT) != 0)
                flood();
        }
    }

private:
    void flood()
    {
        std::string bytes(kFloodChunk, '\0');
        for (char &byte : bytes)
            byte = static_cast<char>(m_random.next() & 0xFF);
        m_terminal.send(bytes);
    }

    PseudoTerminal &m_terminal;
    const SenderSettings &m_settings;
    const volatile std::sig_atomic_t &m_stop;
    Random m_random;
};

/// The edges among `characters` (noise aside), each on a line with the time it was sent. Flushed
/// at once, so that a reader has them while the simulator goes on.
void logEdges(std::FILE *log, int64_t sentNs, const std::string &characters)
{
    for (const char character : characters) {
        if (character == '1' || character == '0')
            std::fprintf(log, "%lld %c\n", static_cast<long long>(sentNs), character);
    }
    std::fflush(log);
}

} // namespace

Anchor anchorToNextSecond()
{
    // Read the real-time clock between two monotonic readings so that the pair belongs together.
    const int64_t monotonicBefore = nowNs(CLOCK_MONOTONIC);
    const int64_t real = nowNs(CLOCK_REALTIME);
    const int64_t monotonicAfter = nowNs(CLOCK_MONOTONIC);
    const int64_t monotonic = monotonicBefore + (monotonicAfter - monotonicBefore) / 2;
    const int64_t toNextSecond = kNsPerSecond - real % kNsPerSecond;
    return {monotonic + toNextSecond, real / kNsPerSecond + 1};
}

void runSender(PseudoTerminal &terminal, const Anchor &anchor, SignalSchedule &schedule,
               const SenderSettings &settings, const volatile std::sig_atomic_t &stopRequested)
{
    Waiter waiter(terminal, settings, stopRequested);
    // Without a duration the sender runs until it is stopped.
    const int64_t forever = INT64_MAX / 2;
    const int64_t endNs
        = settings.durationMs ? anchor.monotonicNs + *settings.durationMs * kNsPerMs : forever;

    const auto sendMinute = [&](const PlannedMinute &minute) {
        for (const Emission &emission : minute.emissions) {
            const int64_t dueNs = anchor.monotonicNs + emission.atMs * kNsPerMs;
            if (dueNs >= endNs || !waiter.waitUntil(dueNs))
                return false;
            const int64_t sentNs = nowNs(CLOCK_MONOTONIC);
            if (terminal.send(emission.characters) > 0 && settings.writeLog)
                logEdges(settings.writeLog, sentNs, emission.characters);
        }
        return true;
    };
    while (const std::optional<PlannedMinute> minute = schedule.nextMinute()) {
        if (!sendMinute(*minute))
            break;
    }
    // Nothing more to send: keep the device (and any flood) going until the end.
    waiter.waitUntil(endNs);
}

} // namespace dcf::sim
