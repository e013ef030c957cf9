#pragma once

// What the program tells those who watch it run (the benchmark, the fuzzer's invariants, the
// tests): each mark it measured, each minute it decoded, each second its clock showed, and
// how each routine of a Start ended. Watching changes nothing: the routines do not wait for it.

#include "clock/clock_context.h"
#include "reception/reception_context.h"

#include <string>

namespace dcf {

/// The routines of a Start, in their order.
enum class Routine { Reception, Decoder, Clock };

/// How a routine ended.
enum class RoutineEnd {
    MinuteComplete, ///< the reception: a minute for the decoder
    PortUnusable, ///< the reception: the port text or the device cannot be used
    PortFailed, ///< the reception: the device failed while it was read
    Decoded, ///< the decoder: both panels show the minute
    Restarted, ///< a new Start replaced it
    ProgramEnded, ///< Exit
};

/// A minute as the decoder read it from the bit row.
struct DecodedMinute
{
    int minute = 0;
    int hour = 0;
    int day = 0;
    int weekday = 0; ///< 1 Monday ... 7 Sunday
    int month = 0;
    int year = 0; ///< four digits, as shown
    std::string zone; ///< "Sommerzeit", "Winterzeit", or blank when the telegram named neither
    bool operator==(const DecodedMinute &) const = default;
};

/// Hears what the program does; every call comes the moment it happened, on the window thread.
class ProgramObserver : public MarkWatcher, public SecondWatcher
{
public:
    virtual void minuteDecoded([[maybe_unused]] const DecodedMinute &minute) { }
    virtual void routineEnded([[maybe_unused]] Routine routine, [[maybe_unused]] RoutineEnd how) { }
};

} // namespace dcf
