#pragma once

// What the program must show for the signal that the simulator sent: the simulator's time line
// (which minute it was sending at a given real instant), the telegram of that minute and the
// texts of the result panel. Qt-free, so the arithmetic is tested on its own.

#include "german_time.h"
#include "telegram.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace dcf::autopilot {

/// The simulator sends `startUtc` from the first full real second after its launch on, and runs
/// at the pace of the real clock from there.
struct SimulatorTimeline
{
    int64_t startUtc = 0;
    /// Real time (milliseconds since the epoch) just before the launch.
    int64_t launchedAtMs = 0;

    /// The simulated instant, in milliseconds since the epoch, at the real instant `realMs`.
    int64_t simulatedMsAt(int64_t realMs) const;
    /// The whole simulated minute nearest to the real instant `realMs` (POSIX seconds). A decode
    /// happens just after a minute mark, so this is the minute that it must show.
    int64_t nearestMinuteAt(int64_t realMs) const;
};

/// The `--start` value for a simulator launched at the real instant `nowMs` whose first second
/// is second :55 of a minute, so that a minute mark follows five seconds later. Of the two
/// candidate minutes the one nearer to the real time is taken, so the simulated time stays within
/// half a minute of the wall clock.
int64_t startJustBeforeMinuteMark(int64_t nowMs, int secondOfMinute = 55);

/// "YYYY-MM-DD HH:MM:SS CET" as dcf77-sim takes it for --start.
std::string startOption(int64_t utcSeconds);

/// The decode that must follow when the minute mark at `minuteUtc` ends a received minute.
struct ExpectedDecode
{
    int64_t minuteUtc = 0;
    sim::LegalTime legal;
    /// The telegram of the minute before, which announces `minuteUtc`.
    sim::Telegram telegram;
};

ExpectedDecode expectedDecodeAt(int64_t minuteUtc);

/// The value labels of the result panel, lblA (index to text), right after the decode of `legal`.
std::map<int, std::string> expectedPanelValues(const sim::LegalTime &legal);

/// The panel's rows as the user reads them, from the captions of lblA: labels in reading
/// order, a blank between neighbours except next to "." and ":", empty labels left out, and of
/// the seconds only the whole seconds, since the decimals lie beyond the label's edge.
std::vector<std::string> panelRows(const std::function<std::string(int index)> &caption);

/// The whole seconds of a seconds caption ("07.00" or "07,00" shows as "07").
std::string visibleSeconds(const std::string &caption);

/// "07" for 7; at least two digits.
std::string twoDigits(int value);

} // namespace dcf::autopilot
