#include "platform/qt/qt_time_base.h"

#include <chrono>

#ifdef _WIN32
#include <thread>
#include <timeapi.h>
#include <windows.h>
#else
#include <cerrno>
#include <ctime>
#endif

namespace dcf {

namespace {

using Clock = std::chrono::steady_clock;

#ifndef _WIN32
// steady_clock counts CLOCK_MONOTONIC on Linux, so its milliseconds are absolute deadlines there.
static_assert(Clock::is_steady);
constexpr int64_t kNanosecondsPerMillisecond = 1'000'000;
#endif

} // namespace

int64_t QtTimeBase::milliseconds() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

int64_t monotonicMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
        .count();
}

int64_t QtTimeBase::microseconds() const
{
    return monotonicMicroseconds();
}

void QtTimeBase::sleep(int64_t ms)
{
    if (ms <= 0)
        return;
    sleepUntil(milliseconds() + ms);
}

void QtTimeBase::sleepUntil(int64_t deadline)
{
#ifdef _WIN32
    std::this_thread::sleep_until(Clock::time_point(std::chrono::milliseconds(deadline)));
#else
    timespec until {};
    until.tv_sec = static_cast<time_t>(deadline / 1000);
    until.tv_nsec = static_cast<long>((deadline % 1000) * kNanosecondsPerMillisecond);
    if (until.tv_sec < 0 || until.tv_nsec < 0)
        return; // long past
    // A signal interrupts the sleep; the absolute deadline makes resuming exact.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) { }
#endif
}

void QtTimeBase::beginPrecisePeriod()
{
#ifdef _WIN32
    timeBeginPeriod(1);
#endif
}

void QtTimeBase::endPrecisePeriod()
{
#ifdef _WIN32
    timeEndPeriod(1);
#endif
}

} // namespace dcf
