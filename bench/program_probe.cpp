#include "program_probe.h"

#include "figures.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/window_view.h"
#include "program/program.h"

#include <chrono>
#include <stdexcept>
#include <string_view>

namespace dcf::bench {

namespace {

constexpr double kNsPerMs = 1e6;
/// The decoder shows second "00" before the clock starts; the clock's seconds carry decimals
/// ("07.00").
constexpr std::string_view kDecodedSeconds = "00";

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

void ProgramProbe::propertyChanged(const Control &control, Property property)
{
    // Stamped first, so that drawing the change does not count.
    const int64_t now = monotonicNs();
    const Global &g = m_program.g;
    MainWindow &w = m_program.frmDCF77;

    if (property == Property::Text && &control == &w.txtZeit1) {
        m_pulseStartNs = now;
    } else if (property == Property::Text && &control == &w.txtZeit2) {
        // The reset empties the field with the length at 0; a pulse always lasts a little.
        if (recordPulses && g.PulsLaenge > 0 && m_pulseStartNs >= 0)
            m_pulses.push_back({g.PulsLaenge, now - m_pulseStartNs});
        m_pulseStartNs = -1;
    } else if (property == Property::Caption && &control == &w.lblA(20)
               && w.lblA(20).caption() != kDecodedSeconds) {
        ++m_clockSecondsShown;
        if (recordClock) {
            m_secondsLate.push_back(
                lateness(static_cast<double>(now) / kNsPerMs, g.MinBeginn, g.Sekunde));
            m_secondsShown.push_back(g.Sekunde);
        }
    }
    m_view->propertyChanged(control, property);
}

} // namespace dcf::bench
