#include "fuzz_session.h"

#include "program/program.h"
#include "reception/reception_steps.h"
#include "virtual_platform.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace dcf::fuzz {

namespace {

using testing::Drawn;

/// After the last step: time enough to finish any reception the last characters began, with the
/// clock running on meanwhile.
constexpr int64_t kTailMs = 90'000;
/// Event processings in a row with no time passing and nothing delivered, beyond the few that
/// each character takes: a loop that no longer waits.
constexpr int kSpinLimit = 10'000;
constexpr int kEventsPerCharacter = 4;
/// Every cause a device can give for not opening, Other the last.
constexpr int kPortFaults = static_cast<int>(PortFault::Other) + 1;

[[noreturn]] void broken(const char *rule)
{
    std::fprintf(stderr, "broken rule: %s\n", rule);
    std::fflush(stderr);
    std::abort();
}

void expect(bool holds, const char *rule)
{
    if (!holds)
        broken(rule);
}

bool isFlag(int16_t value)
{
    return value == 0 || value == 1;
}

bool within(double value, double low, double high)
{
    return value >= low && value <= high;
}

// The controls as the desktop's log names them.
const std::string kLastBitBox = "chkPuls(" + std::to_string(MainWindow::kLastBit) + ")";
const std::string kHourLabel = "lblA(" + std::to_string(MainWindow::kHourLabel) + ")";
const std::string kMinuteLabel = "lblA(" + std::to_string(MainWindow::kMinuteLabel) + ")";
const std::string kSecondsLabel = "lblA(" + std::to_string(MainWindow::kSecondsLabel) + ")";

/// The program on the virtual platform, with the session as its event processing.
class Session final : public EventLoop
{
public:
    explicit Session(const Script &script);
    SessionSummary run();

    void processPendingEvents() override
    {
        const bool delivered = vp.deliverDue();
        if (delivered || vp.now() != m_lastEventsAt)
            m_eventsWithoutProgress = 0;
        else if (++m_eventsWithoutProgress > m_spinLimit)
            broken("a loop waits: it does not keep processing events while nothing happens");
        m_lastEventsAt = vp.now();
        check();
    }
    void waitForActivity() override
    {
        vp.events.waitForActivity();
        check();
    }

private:
    void schedule(const Step &step);
    void act(const Step &step);
    void check();
    void checkDrawn(const Drawn &write);

    testing::VirtualPlatform vp;
    Platform m_platform {*this, vp.time, vp.serial, vp.desktop};
    Program program {m_platform, vp.desktop};
    int64_t m_originUs;
    int64_t m_endMs;
    int m_spinLimit = kSpinLimit;
    int m_eventsWithoutProgress = 0;
    int64_t m_lastEventsAt = -1;
    std::string m_lastPanelLabel;
    bool m_minuteAdvanced = false;
    bool m_hourAdvanced = false;
    SessionSummary m_summary;
};

Session::Session(const Script &script)
    : m_originUs(script.timeBaseStartMs * 1000)
    , m_endMs(script.timeBaseStartMs + (script.steps.empty() ? 0 : script.steps.back().atUs / 1000)
              + kTailMs)
{
    vp.time.advanceTo(script.timeBaseStartMs);
    for (const Step &step : script.steps)
        schedule(step);
}

SessionSummary Session::run()
{
    vp.serial.ports = {{"/dev/ttyUSB0", "FT232R USB UART", "FTDI"}};
    program.start();
    program.frmDCF77.txtComPort.setText("1");
    vp.at(m_endMs, [] {}); // so that waits go on to the end
    vp.endAt(m_endMs);
    check();
    try {
        // The window system's own loop, for whenever no Start command is running.
        while (vp.nextScripted() >= 0) {
            vp.time.advanceTo(vp.nextScripted());
            processPendingEvents();
        }
    } catch (const testing::ScriptExhausted &) { }
    check();
    m_summary.ended = vp.desktop.quitRequested;
    return m_summary;
}

void Session::schedule(const Step &step)
{
    const int64_t arrivalUs = m_originUs + step.atUs;
    // Delivered at the first millisecond at or after it, stamped to the microsecond.
    const int64_t ms = (arrivalUs + 999) / 1000;
    switch (step.op) {
    case Op::Character:
        m_spinLimit += kEventsPerCharacter;
        return vp.lineAt(ms, [this, arrivalUs, c = static_cast<char>(step.value)] {
            vp.serial.receive(std::string(1, c), arrivalUs);
        });
    case Op::DeviceVanishes:
        return vp.lineAt(ms, [this, cause = static_cast<PortFault>(step.value % kPortFaults)] {
            vp.serial.openProblem = PortProblem {cause, ENODEV};
            vp.serial.fail({PortFault::Vanished, ENODEV});
        });
    case Op::DeviceReturns:
        return vp.lineAt(ms, [this] { vp.serial.openProblem.reset(); });
    case Op::Wait:
        return;
    default:
        return vp.at(ms, [this, step] {
            act(step);
            check();
        });
    }
}

void Session::act(const Step &step)
{
    // The user acts only on a window that is on the screen.
    MainWindow &w = program.frmDCF77;
    const bool onClockWindow = step.op == Op::ClockWindowClick || step.op == Op::ClockWindowClose
        || step.op == Op::Hsc1 || step.op == Op::Vsc1;
    if (!(onClockWindow ? program.clockWindowExists() && program.frmZeit().isShown() : w.isShown()))
        return;
    switch (step.op) {
    case Op::Start:
        return w.cmdStart.click();
    case Op::Hide:
        return w.cmdHide.click();
    case Op::Exit:
        return w.cmdExit.click();
    case Op::MainWindowClose:
        return w.closeRequest();
    case Op::ClockWindowClick:
        return program.frmZeit().click();
    case Op::ClockWindowClose:
        return program.frmZeit().closeRequest();
    case Op::HScroll1:
        return w.HScroll1.userSetValue(step.value);
    case Op::VScroll1:
        return w.VScroll1.userSetValue(step.value);
    case Op::Hsc1:
        return program.frmZeit().hsc1.userSetValue(step.value);
    case Op::Vsc1:
        return program.frmZeit().vsc1.userSetValue(step.value);
    case Op::TypeLeft:
        return w.txtLeft.setText(step.text);
    case Op::TypeTop:
        return w.txtTop.setText(step.text);
    case Op::TypeComPort:
        w.txtComPort.gotFocus();
        return w.txtComPort.setText(step.text);
    case Op::PointerMove:
        return w.mouseMove();
    case Op::BitBoxClick:
        // The user's own tick is no bit written by the program.
        check();
        w.chkPuls(step.value).click();
        vp.desktop.drawn.clear();
        return;
    default:
        return;
    }
}

void Session::checkDrawn(const Drawn &write)
{
    if (write.control == kLastBitBox) {
        expect(write.property == Property::Value ? write.value == "0"
                                                 : write.property != Property::BackColor
                       || write.value == testing::rgb(colors::kButtonFace),
               "no bit is written outside chkPuls(0..58)");
    }
    if (write.property != Property::Caption)
        return;
    // The decoder writes hour, minute and "00" into the seconds; the running clock's advance
    // writes the minute after the seconds, then the hour.
    const Global &g = program.g;
    if (write.control == kMinuteLabel && m_lastPanelLabel != kHourLabel) {
        ++m_summary.clockMinutes;
        m_minuteAdvanced = true;
        m_hourAdvanced = m_hourAdvanced || write.value == "00";
    } else if (write.control == kSecondsLabel && write.value == "00") {
        ++m_summary.decodes;
        m_minuteAdvanced = false;
        m_hourAdvanced = false;
        // A minute gap with more pulses than a minute holds was preceded by a lost mark's gap:
        // its bits belong to an earlier minute.
        expect(g.PausenZaehler < reception::kGapsForMinute
                   || g.PulsZaehler <= reception::kMostPulsesForMinute
                   || (g.Flanke == reception::kPulseEnd && g.PulsBeginn > reception::kTimeOut),
               "a decode never follows a second gap with more than 60 pulses");
    }
    if (write.control == kHourLabel || write.control == kMinuteLabel
        || write.control == kSecondsLabel)
        m_lastPanelLabel = write.control;
}

void Session::check()
{
    const Global &g = program.g;

    // Reception.
    expect(within(g.i, 0, Global::kPulsTableLast), "i stays inside PulsZeit and PulsAbstand");
    expect(within(g.BitNr, 0, Global::kPulsTableLast), "BitNr advances only with i");
    expect(g.ZeichenZaehler >= 0, "ZeichenZaehler counts from 0 and stops at its limit");
    expect(std::isfinite(g.PulsZaehler) && g.PulsZaehler == std::floor(g.PulsZaehler)
               && within(g.PulsZaehler, 0, Global::kPulsTableLast),
           "PulsZaehler counts whole pulses, one per pulse index");
    expect(within(g.PausenZaehler, 0, 2), "an attempt ends at its second minute gap");
    expect(isFlag(g.Fehler1) && isFlag(g.Fehler2) && g.Fehler1 + g.Fehler2 <= 1,
           "one faulty pulse ends the attempt before the next is read");
    expect(isFlag(g.Fehler3), "Fehler3 is 0 or 1");
    for (const int16_t flag : {g.PulsAktiv, g.PauseAktiv, g.SperreBeginn, g.SperreEnde,
                               g.PauseGezaehlt, g.MinuteErkannt, g.ZaehlerGenullt})
        expect(isFlag(flag), "the reception's flags are 0 or 1");
    expect(g.PulsAktiv + g.PauseAktiv <= 1, "a pulse and a pause are never both under way");
    expect(g.Flanke == 0 || g.Flanke == 3 || g.Flanke == 6, "Flanke is 0, 3 or 6");
    expect(g.Empfang.size() <= 1, "one character is read at a time");
    expect(std::isfinite(g.StartZeit) && g.PulsBeginn >= 0 && g.PulsEnde >= 0 && g.PulsLaenge >= 0,
           "pulses are timed after the port opened, and end after they begin");
    for (std::size_t k = 0; k < g.PulsZeit.size(); ++k) {
        expect(std::isfinite(g.PulsZeit[k]) && std::isfinite(g.PulsAbstand[k]),
               "pulse times are numbers");
    }

    // What the program drew since the last check.
    for (const Drawn &write : vp.desktop.drawn)
        checkDrawn(write);
    if (!vp.desktop.quitRequested)
        vp.desktop.drawn.clear();
    else
        expect(vp.desktop.drawn.size() == vp.desktop.drawnAtQuit, "nothing is drawn after Exit");
    vp.time.sleeps.clear();
    vp.time.sleepsUntil.clear();

    // Decoded values: what the telegram's bits can hold, and the clock's range once it has
    // advanced them.
    expect(within(g.Minute, 0, m_minuteAdvanced ? 59 : 85), "Minute within its range");
    expect(within(g.Stunde, 0, m_hourAdvanced ? 23 : 45), "Stunde within its range");
    expect(within(g.Tag, 0, 45) && within(g.Wochentag, 0, 7) && within(g.Monat, 0, 25)
               && within(g.Jahr, 0, 165),
           "date values within what their bits can hold");
    const std::string &zone = g.Zeitzone.str();
    expect(zone == "Sommerzeit" || zone == "Winterzeit" || zone == std::string(10, ' '),
           "Zeitzone names a zone or is empty");

    // Running clock.
    expect(within(g.SekIndex, 0, 60) && within(g.Sekunde, 0, 60),
           "SekIndex stays inside SekTabelle");
    expect(isFlag(g.MinEnde) && isFlag(g.StdUebertrag), "the clock's flags are 0 or 1");
    expect(std::isfinite(g.MinBeginn) && std::isfinite(g.MinLaufzeit), "clock times are numbers");

    const MainWindow &w = program.frmDCF77;
    expect(std::isfinite(w.left()) && std::isfinite(w.top()), "the main window has a position");
}

} // namespace

SessionSummary runSession(const Script &script)
{
    Session session(script);
    return session.run();
}

} // namespace dcf::fuzz
