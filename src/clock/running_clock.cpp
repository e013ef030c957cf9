#include "clock/running_clock.h"

#include "ui/panel_formats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace dcf {

namespace {

constexpr int16_t kLastStep = 60; ///< the end of the minute; never shown
constexpr int16_t kLastMinute = 59;
constexpr int16_t kLastHour = 23;
constexpr int64_t kMillisecondsPerSecond = 1000;
/// No single sleep lasts longer than one step and a little, whatever the time base does.
constexpr int64_t kLongestSleepMs = 1100;

/// Main window first, clock window second.
void show(const ClockContext &context, int mainLabel, int clockLabel, const std::string &text)
{
    context.frmDCF77.lblA(mainLabel).setCaption(text);
    context.frmZeit().lblB(clockLabel).setCaption(text);
}

/// When the current step falls due, measured from the minute's start.
int64_t dueOfStep(const Global &g)
{
    const int16_t dueSeconds = g.SekTabelle[static_cast<std::size_t>(g.SekIndex)];
    return std::llround(g.MinBeginn * kMillisecondsPerSecond)
        + int64_t {dueSeconds} * kMillisecondsPerSecond;
}

/// Waits until the current step is due, measured from the minute's start, so that a late step
/// catches up at once instead of pushing the rest of the minute back. Sleeps rather than polls.
/// Returns when the step fell due.
int64_t waitForStep(const ClockContext &context)
{
    Global &g = context.g;
    TimeBase &time = context.time;
    const int16_t dueSeconds = g.SekTabelle[static_cast<std::size_t>(g.SekIndex)];
    const int64_t due = dueOfStep(g);
    for (;;) {
        g.MinLaufzeit = WinTimer(time) - g.MinBeginn;
        if (g.MinLaufzeit >= dueSeconds)
            return due;
        const int64_t now = time.milliseconds();
        // The seconds difference can fall a hair short of the due millisecond it has reached;
        // and a clock that went back before the minute's start must not hold the window for
        // as long as it takes to catch up.
        if (now >= due || g.MinLaufzeit < 0)
            return due;
        time.sleepUntil(std::min(due, now + kLongestSleepMs));
    }
}

} // namespace

void RunClock(const ClockContext &context)
{
    Global &g = context.g;
    for (int16_t step = 0; step <= kLastStep; ++step)
        g.SekTabelle[static_cast<std::size_t>(step)] = step;
    g.SekIndex = 0;
    g.MinEnde = 0;
    g.StdUebertrag = 0;
    context.frmDCF77.lblA(MainWindow::kSecondsLabel).setVisible(true);

    std::optional<int64_t> minuteEnd;
    for (;;) {
        minuteEnd = Sekundenlauf(context, minuteEnd);

        ++g.Minute;
        if (g.Minute > kLastMinute) {
            g.Minute = 0;
            g.StdUebertrag = 1;
        }
        show(context, MainWindow::kMinuteLabel, ClockWindow::kMinuteLabel, twoDigits(g.Minute));

        if (g.StdUebertrag == 1) {
            ++g.Stunde;
            if (g.Stunde > kLastHour)
                g.Stunde = 0;
            g.StdUebertrag = 0;
        }
        // Every minute, changed or not.
        show(context, MainWindow::kHourLabel, ClockWindow::kHourLabel, twoDigits(g.Stunde));
    }
}

int64_t Sekundenlauf(const ClockContext &context, std::optional<int64_t> secondZeroDue)
{
    Global &g = context.g;
    g.MinEnde = 0;
    g.MinBeginn = WinTimer(context.time);
    int64_t due = secondZeroDue.value_or(dueOfStep(g)); // of the step about to be shown
    int64_t minuteEnd = due;
    do {
        g.Sekunde = g.SekTabelle[static_cast<std::size_t>(g.SekIndex)];
        if (g.Sekunde < kLastStep) {
            show(context, MainWindow::kSecondsLabel, ClockWindow::kSecondsLabel,
                 secondsText(g.Sekunde, context.desktop.decimalSeparator()));
            if (context.seconds)
                context.seconds->secondShown({g.Stunde, g.Minute, g.Sekunde, due});
        }

        // Exit and a new Start end the clock here.
        context.events.processPendingEvents();

        ++g.SekIndex;
        if (g.SekIndex > kLastStep) {
            g.SekIndex = 0;
            minuteEnd = due; // the last step's
            g.MinBeginn = WinTimer(context.time);
            g.MinEnde = 1;
        }
        due = waitForStep(context);
    } while (g.MinEnde != 1);
    return minuteEnd;
}

} // namespace dcf
