#include "program_probe.h"

#include "figures.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/window_view.h"
#include "program/program.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace dcf::bench {

namespace {

constexpr int64_t kNsPerUs = 1000;
constexpr double kUsPerMs = 1000;
constexpr double kUsPerSecond = 1e6;
/// The decoder shows second "00" before the clock starts; the clock's seconds carry decimals
/// ("07.00").
constexpr std::string_view kDecodedSeconds = "00";

/// When an edge arrived, microseconds on the monotonic clock: the reception keeps its time since
/// the port's opening, both to the microsecond.
int64_t arrivalUs(double startSeconds, double sinceStartSeconds)
{
    return std::llround(startSeconds * kUsPerSecond)
        + std::llround(sinceStartSeconds * kUsPerSecond);
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
    auto *desktop = dynamic_cast<QtDesktop *>(&program.platform.desktop);
    m_view = desktop ? desktop->host(program.frmDCF77.name()) : nullptr;
    if (!m_view)
        throw std::logic_error("the main window has no view to watch");
    program.frmDCF77.setObserver(this);
}

ProgramProbe::~ProgramProbe()
{
    m_program.frmDCF77.setObserver(m_view);
}

void ProgramProbe::recordSecond(double shownMs, const Global &g)
{
    const std::optional<double> previousMinuteStart = m_minuteStartSeconds;
    m_minuteStartSeconds = g.MinBeginn;
    if (!secondsTo)
        return;
    if (const auto late = lateness(shownMs, g.MinBeginn, previousMinuteStart, g.Sekunde)) {
        secondsTo->secondsLate.push_back(*late);
        secondsTo->secondsShown.push_back(g.Sekunde);
    }
}

void ProgramProbe::propertyChanged(const Control &control, Property property)
{
    // Stamped first, so that drawing the change does not count.
    const int64_t nowUs = monotonicNs() / kNsPerUs;
    const Global &g = m_program.g;
    MainWindow &w = m_program.frmDCF77;

    // The reset empties both time fields; an edge always writes a time.
    if (property == Property::Text && &control == &w.txtZeit1 && !w.txtZeit1.text().empty()) {
        m_pulseStartUs = arrivalUs(g.StartZeit, g.PulsBeginn);
        m_pulseStartWaitMs = static_cast<double>(nowUs - m_pulseStartUs) / kUsPerMs;
        if (marksTo)
            marksTo->waitsMs.push_back(m_pulseStartWaitMs);
    } else if (property == Property::Text && &control == &w.txtZeit2
               && !w.txtZeit2.text().empty()) {
        const int64_t endUs = arrivalUs(g.StartZeit, g.PulsEnde);
        const double endWaitMs = static_cast<double>(nowUs - endUs) / kUsPerMs;
        if (marksTo) {
            marksTo->waitsMs.push_back(endWaitMs);
            if (m_pulseStartUs >= 0) {
                marksTo->pulses.push_back(
                    {g.PulsLaenge, m_pulseStartUs, endUs, std::max(m_pulseStartWaitMs, endWaitMs)});
            }
        }
        m_pulseStartUs = -1;
    } else if (property == Property::Caption && &control == &w.lblA(20)) {
        if (w.lblA(20).caption() == kDecodedSeconds) {
            ++m_decodes;
            m_minuteStartSeconds.reset();
        } else {
            ++m_clockSecondsShown;
            recordSecond(static_cast<double>(nowUs) / kUsPerMs, g);
        }
    }
    m_view->propertyChanged(control, property);
}

} // namespace dcf::bench
