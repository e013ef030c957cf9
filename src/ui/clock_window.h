#pragma once

// The clock window frmZeit as designed: the decoded date and the running time in large type, and
// two scroll bars that move it across the screen. Its reactions belong to the running clock's
// subsystem (clock/clock_window_reactions.h).

#include "ui/model/control_array.h"
#include "ui/model/controls.h"
#include "ui/model/window.h"

#include <functional>

namespace dcf {

class ClockWindow : public Window
{
public:
    ClockWindow();

    ControlArray<Label> lblB {"lblB"};
    ScrollBar vsc1;
    ScrollBar hsc1;

    // The members of lblB that the decoder and the running clock write.
    static constexpr int kWeekdayLabel = 1;
    static constexpr int kDayLabel = 3;
    static constexpr int kMonthLabel = 5;
    static constexpr int kYearLabel = 7;
    static constexpr int kHourLabel = 8;
    static constexpr int kMinuteLabel = 10;
    static constexpr int kSecondsLabel = 12;
};

/// The clock window, created hidden the first time anything refers to it.
using ClockWindowAccess = std::function<ClockWindow &()>;

} // namespace dcf
