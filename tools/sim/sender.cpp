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

/// The length of the mark that emission `index` begins: up to the next "0" of the minute.
std::optional<int64_t> markLengthNs(const PlannedMinute &minute, std::size_t index)
{
    const std::vector<Emission> &emissions = minute.emissions;
    if (emissions[index].characters.find('1') == std::string::npos)
        return std::nullopt;
    for (std::size_t next = index + 1; next < emissions.size(); ++next) {
        if (emissions[next].characters.find('0') != std::string::npos)
            return (emissions[next].atMs - emissions[index].atMs) * kNsPerMs;
    }
    return std::nullopt;
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

void runSender(PseudoTerminal &terminal, ReceiverLine &line, const Anchor &anchor,
               SignalSchedule &schedule, const SenderSettings &settings,
               const volatile std::sig_atomic_t &stopRequested)
{
    Waiter waiter(terminal, settings, stopRequested);
    // Without a duration the sender runs until it is stopped.
    const int64_t forever = INT64_MAX / 2;
    const int64_t endNs
        = settings.durationMs ? anchor.monotonicNs + *settings.durationMs * kNsPerMs : forever;

    // Waits until `dueNs`, delivering on the way what a UART finishes meanwhile.
    const auto waitUntil = [&](int64_t dueNs) {
        for (auto pendingNs = line.pendingDueNs(); pendingNs && *pendingNs <= dueNs;
             pendingNs = line.pendingDueNs()) {
            if (*pendingNs >= endNs || !waiter.waitUntil(*pendingNs))
                return false;
            line.deliverPending();
        }
        return dueNs < endNs && waiter.waitUntil(dueNs);
    };
    const auto sendMinute = [&](const PlannedMinute &minute) {
        for (std::size_t index = 0; index < minute.emissions.size(); ++index) {
            const Emission &emission = minute.emissions[index];
            if (!waitUntil(anchor.monotonicNs + emission.atMs * kNsPerMs))
                return false;
            line.emit(emission.characters, nowNs(CLOCK_MONOTONIC), markLengthNs(minute, index));
        }
        return true;
    };
    while (const std::optional<PlannedMinute> minute = schedule.nextMinute()) {
        if (!sendMinute(*minute))
            break;
    }
    // Nothing more to send: keep the device (and any flood) going until the end.
    waitUntil(endNs);
    waiter.waitUntil(endNs);
}

} // namespace dcf::sim
