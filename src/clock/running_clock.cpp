#include "clock/running_clock.h"

#include "clock/clock_window.h"
#include "decoding/date_texts.h"
#include "ui/program.h"

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

void showSeconds(Program &program, int16_t seconds)
{
    const std::string text = secondsText(seconds, program.platform.desktop.decimalSeparator());
    program.frmDCF77.lblA(20).setCaption(text);
    program.frmZeit().lblB(12).setCaption(text);
}

void showMinute(Program &program)
{
    const std::string text = twoDigits(program.g.Minute);
    program.frmDCF77.lblA(18).setCaption(text);
    program.frmZeit().lblB(10).setCaption(text);
}

void showHour(Program &program)
{
    const std::string text = twoDigits(program.g.Stunde);
    program.frmDCF77.lblA(16).setCaption(text);
    program.frmZeit().lblB(8).setCaption(text);
}

/// Waits until the current step is due, measured from the minute's start, so that a late step
/// catches up at once instead of pushing the rest of the minute back. Sleeps rather than polls.
void waitForStep(Program &program)
{
    Global &g = program.g;
    TimeBase &time = program.platform.time;
    const int16_t dueSeconds = g.SekTabelle[static_cast<std::size_t>(g.SekIndex)];
    const int64_t due = std::llround(g.MinBeginn * kMillisecondsPerSecond)
        + int64_t {dueSeconds} * kMillisecondsPerSecond;
    for (;;) {
        g.MinLaufzeit = program.WinTimer() - g.MinBeginn;
        if (g.MinLaufzeit >= dueSeconds)
            return;
        const int64_t now = time.milliseconds();
        // The seconds difference can fall a hair short of the due millisecond it has reached;
        // and a clock that went back before the minute's start must not hold the window for
        // as long as it takes to catch up.
        if (now >= due || g.MinLaufzeit < 0)
            return;
        time.sleepUntil(std::min(due, now + kLongestSleepMs));
    }
}

} // namespace

void RunClock(Program &program)
{
    Global &g = program.g;
    for (int16_t step = 0; step <= kLastStep; ++step)
        g.SekTabelle[static_cast<std::size_t>(step)] = step;
    g.SekIndex = 0;
    g.MinEnde = 0;
    g.StdUebertrag = 0;
    program.frmDCF77.lblA(20).setVisible(true);

    for (;;) {
        Sekundenlauf(program);

        ++g.Minute;
        if (g.Minute > kLastMinute) {
            g.Minute = 0;
            g.StdUebertrag = 1;
        }
        showMinute(program);

        if (g.StdUebertrag == 1) {
            ++g.Stunde;
            if (g.Stunde > kLastHour)
                g.Stunde = 0;
            g.StdUebertrag = 0;
        }
        // Every minute, changed or not.
        showHour(program);
    }
}

void Sekundenlauf(Program &program)
{
    Global &g = program.g;
    g.MinEnde = 0;
    g.MinBeginn = program.WinTimer();
    do {
        g.Sekunde = g.SekTabelle[static_cast<std::size_t>(g.SekIndex)];
        if (g.Sekunde < kLastStep)
            showSeconds(program, g.Sekunde);

        // Exit and a new Start end the clock here.
        program.processEventsInLongLoop();

        ++g.SekIndex;
        if (g.SekIndex > kLastStep) {
            g.SekIndex = 0;
            g.MinBeginn = program.WinTimer();
            g.MinEnde = 1;
        }
        waitForStep(program);
    } while (g.MinEnde != 1);
}

} // namespace dcf
