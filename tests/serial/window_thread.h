#pragma once

// What the serial service's real-time tests share: the window thread's side of the service, their
// checks of causes and stamps, and a piece of work done as a user without rights (root may open
// and schedule anything).

#include "platform/serial/serial_service.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <string>

namespace dcf::testing {

/// The window thread's side: woken by the service, it takes what has arrived.
class WindowThread
{
public:
    explicit WindowThread(std::size_t queued = 4096);

    /// The next character, waiting up to `timeout` for it; nothing once the port has failed.
    std::optional<Arrival> next(std::chrono::milliseconds timeout = std::chrono::seconds(3));
    /// Waits until the service has woken the window thread `count` times in all.
    bool wokenAtLeast(int count, std::chrono::milliseconds timeout);

    SerialService service;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_wakeUps = 0;
};

/// The cause of a port's problem, if it has one.
inline std::optional<PortFault> causeOf(const std::optional<PortProblem> &problem)
{
    return problem ? std::optional(problem->cause) : std::nullopt;
}

/// A stamp taken when what was sent at `sent` arrived: far closer to it than the hundreds of
/// milliseconds by which the tests take what arrived, with room for a loaded machine.
inline void expectStampedOnArrival(int64_t stamp, int64_t sent)
{
    EXPECT_GE(stamp, sent);
    EXPECT_LT(stamp - sent, 150'000);
}

/// Runs `work` in a child process as the user nobody and returns what it answered; empty when
/// the child could not become nobody.
std::string answerAsNobody(const std::function<std::string()> &work);

} // namespace dcf::testing
