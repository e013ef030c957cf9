#include "program_probe.h"

#include "program/program.h"

#include <algorithm>
#include <chrono>

namespace dcf::bench {

namespace {

constexpr int64_t kNsPerUs = 1000;
constexpr double kUsPerMs = 1000;
constexpr double kNsPerMs = 1e6;

/// How long ago `arrivalUs` was, ms.
double waitedSince(int64_t arrivalUs)
{
    return static_cast<double>(monotonicNs() / kNsPerUs - arrivalUs) / kUsPerMs;
}

} // namespace

int64_t monotonicNs()
{
    // The program's time base counts the same clock in whole milliseconds.
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ProgramProbe::ProgramProbe(Program &program)
    : m_program(program)
{
    m_program.addObserver(*this);
}

ProgramProbe::~ProgramProbe()
{
    m_program.removeObserver(*this);
}

void ProgramProbe::markBegan(int64_t arrivalMicroseconds)
{
    m_beginWaitMs = waitedSince(arrivalMicroseconds);
    if (marksTo)
        marksTo->waitsMs.push_back(m_beginWaitMs);
}

void ProgramProbe::markMeasured(const MeasuredMark &mark)
{
    const double endWaitMs = waitedSince(mark.endMicroseconds);
    if (!marksTo)
        return;
    marksTo->waitsMs.push_back(endWaitMs);
    marksTo->pulses.push_back({mark.lengthSeconds, mark.beginMicroseconds, mark.endMicroseconds,
                               std::max(m_beginWaitMs, endWaitMs)});
}

void ProgramProbe::minuteDecoded(const DecodedMinute &)
{
    ++m_decodes;
    m_clockJustStarted = true;
}

void ProgramProbe::secondShown(const ShownSecond &second)
{
    const double lateMs = static_cast<double>(monotonicNs()) / kNsPerMs
        - static_cast<double>(second.dueMilliseconds);
    ++m_clockSecondsShown;
    if (std::exchange(m_clockJustStarted, false) || !secondsTo)
        return;
    secondsTo->secondsLate.push_back(lateMs);
    secondsTo->secondsShown.push_back(second.second);
}

} // namespace dcf::bench
