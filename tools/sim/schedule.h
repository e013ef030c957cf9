#pragma once

// The signal as the receiver module would send it: one "1" when a second mark begins and one
// "0" when it ends, at millisecond offsets from the start of sending. Faults (jitter, wrong or
// missing marks, noise, a leap second, silence) are laid over the clean signal here, so that
// the same seed always gives the same stream.

#include "random.h"
#include "telegram.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dcf::sim {

inline constexpr int64_t kZeroMarkMs = 100;
inline constexpr int64_t kOneMarkMs = 200;
inline constexpr int64_t kShortFaultMarkMs = 20;
inline constexpr int64_t kLongFaultMarkMs = 300;
inline constexpr int kMaxJitterMs = 200;

/// Characters to send at an offset from the start of sending.
struct Emission
{
    int64_t atMs = 0;
    std::string characters;
};

enum class MarkFault { Short, Long, Missing };

/// A fault of the mark in one second, counted from the start of sending (0 = the first
/// second). A second without a mark stays without one.
struct FaultAt
{
    int64_t second = 0;
    MarkFault kind = MarkFault::Missing;
    bool operator==(const FaultAt &) const = default;
};

struct SignalOptions
{
    /// Legal time of the first second sent (POSIX seconds).
    int64_t startUtc = 0;
    /// Start of the minute that gets a 61st second.
    std::optional<int64_t> leapMinuteUtc;
    bool callBit = false;
    /// Each edge moves by a uniform random amount within +-jitterMs.
    int jitterMs = 0;
    uint64_t seed = 1;
    /// Random characters other than "0" and "1" per second.
    int noisePerSecond = 0;
    std::vector<FaultAt> faults;
    /// Nothing is sent from this offset on.
    std::optional<int64_t> silenceAfterMs;
};

struct PlannedMinute
{
    int64_t minuteStartUtc = 0;
    /// Offset of the minute's second 0; negative when sending began within the minute.
    int64_t startMs = 0;
    Telegram telegram;
    /// In time order, none before 0 or after the silence begins.
    std::vector<Emission> emissions;
};

/// Plans the signal minute by minute, for as long as it is asked to.
class SignalSchedule
{
public:
    explicit SignalSchedule(SignalOptions options);

    /// The next minute, or nothing once the silence has begun.
    std::optional<PlannedMinute> nextMinute();

private:
    int64_t jitter();
    std::optional<MarkFault> faultAt(int64_t second) const;

    SignalOptions m_options;
    Random m_random;
    int64_t m_minuteStartUtc = 0;
    int64_t m_minuteStartMs = 0;
};

} // namespace dcf::sim
