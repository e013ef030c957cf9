#pragma once

// Measures the receiver's marks and places each in its minute. The phase comes from the minute
// gap (one second without a mark); from then on every mark's second follows from the time since
// the last mark, so a lost mark leaves a hole instead of shifting the rest. Anything that breaks
// the pattern marks the minute as faulty at once, so that no sample relies on it.
//   edges -> minute assembler -> time code -> trust and samples -> chrony

#include "platform/edge.h"
#include "timeservice/time_code.h"

#include <cstdint>
#include <optional>

namespace dcf::timeservice {

/// A minute from one minute gap to the next, or what is known of it.
struct AssembledMinute
{
    MinuteBits bits {};
    int marks = 0;
    /// The first thing that went wrong; Passed while nothing has.
    MinuteCheck fault = MinuteCheck::Passed;
};

/// A mark whose second is known, in a minute faultless so far.
struct TakenMark
{
    int second = 0;
    int64_t beganMicroseconds = 0;
};

/// What one edge did.
struct AssemblerStep
{
    /// A minute that this edge closed (the first mark after a minute gap closes the one before).
    std::optional<AssembledMinute> closed;
    /// A mark that this edge ended. Only a whole mark of the right length counts, so that a
    /// spurious edge near the start of a second is never taken for it.
    std::optional<TakenMark> mark;
};

class MinuteAssembler
{
public:
    AssemblerStep edge(const Edge &edge);

    /// Closes the current minute as Incomplete when nothing has arrived for a while; the phase is
    /// then lost. Returns it once per silence.
    std::optional<AssembledMinute> silence(int64_t nowMicroseconds);

    /// The minute being assembled.
    const AssembledMinute &current() const { return m_minute; }

private:
    void markBegins(int64_t stamp, AssemblerStep &step);
    void markEnds(int64_t stamp, AssemblerStep &step);
    /// Takes the mark that began `seconds` seconds after the previous one.
    void advance(int seconds, AssemblerStep &step);
    AssembledMinute close();
    void fault(MinuteCheck check);
    bool hasMark(int second) const;
    int minuteLength() const;

    AssembledMinute m_minute {.bits = {}, .marks = 0, .fault = MinuteCheck::Incomplete};
    /// The second of the last mark, while the phase is known.
    std::optional<int> m_second;
    std::optional<int64_t> m_lastBegin;
    std::optional<int64_t> m_markBegan; ///< while a mark lasts
    /// The second of the mark that lasts, while its minute is faultless.
    std::optional<int> m_candidate;
    std::optional<int64_t> m_lastEdge;
    bool m_silent = false;
};

} // namespace dcf::timeservice
