#pragma once

// The per-character work of the reception loop: the character step (show, find the edge, time
// and classify the pulse, count errors and minute gaps) and the end checks that follow it.

#include <cstdint>

namespace dcf {

struct ReceptionContext;

namespace reception {

inline constexpr int16_t kPulseEndCode = '0';
inline constexpr int16_t kPulseStartCode = '1';

/// Edge codes stored in Flanke.
inline constexpr int16_t kNoEdge = 0;
inline constexpr int16_t kPulseEnd = 3;
inline constexpr int16_t kPulseStart = 6;

// Pulse lengths in seconds, compared strictly: the 100 ms class lies between 0 and the split,
// the 200 ms class between the split and the long limit.
inline constexpr double kShortPulseLimit = 0.03;
inline constexpr double kClassSplit = 0.15;
inline constexpr double kLongPulseLimit = 0.25;
// Pulse-start intervals in seconds that make a minute gap, compared strictly.
inline constexpr float kMinuteGapShortest = 1.5f;
inline constexpr float kMinuteGapLongest = 2.5f;
/// A minute needs this many pulses; one fewer than a normal minute is still accepted.
inline constexpr float kPulsesForMinute = 58;
/// A minute holds at most this many: 59, and one more with a leap second. More mean that a lost
/// mark next to a minute gap hid that gap, so the bits collected belong to an earlier minute.
inline constexpr float kMostPulsesForMinute = 60;
/// Gaps found when the minute is complete.
inline constexpr int16_t kGapsForMinute = 2;
/// A pulse end after a pulse start later than this (seconds after the port opened) ends the
/// reception even without a second minute gap.
inline constexpr double kTimeOut = 121;
/// How long a minute with the wrong number of pulses stays on display.
inline constexpr int64_t kTooFewPulsesPauseMs = 1000;
inline constexpr int64_t kShortMinutePauseMs = 500;

enum class Outcome {
    WaitForNext, ///< go on waiting for characters
    NewAttempt, ///< abandon the attempt and start again with a reset
    End, ///< the reception is over: hand over to the decoder
};

/// Handles the character in Empfang/ZeichenCode, which arrived at `arrivalMicroseconds` (the
/// time base's microsecond clock): an edge is timed by its arrival, not by this step.
Outcome characterStep(const ReceptionContext &context, int64_t arrivalMicroseconds);

/// The checks after each character step: too few pulses, a complete minute, the time-out.
Outcome endChecks(const ReceptionContext &context);

/// A time of the microsecond clock in seconds, as StartZeit holds it.
double secondsOfMicroseconds(int64_t microseconds);

/// Seconds on the timer's millisecond grid: differences of the millisecond count carry
/// floating-point residue that would decide comparisons at the exact thresholds.
double onMillisecondGrid(double seconds);

} // namespace reception
} // namespace dcf
