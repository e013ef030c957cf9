#include "fuzz_session.h"

#include "program/program.h"
#include "virtual_platform.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <limits>

namespace dcf::fuzz {

namespace {

/// The script has run out, or its time is up: ends the run (the program never sees it).
struct SessionEnded
{
};

/// What the program may be left to do after the last step: a minute and a half is enough to
/// finish any reception the last characters began, and the clock goes on meanwhile.
constexpr int64_t kTailUs = 90'000'000;
/// Event processing this often in a row with no time passing, no step delivered and no character
/// read means a loop that no longer waits.
constexpr int kSpinLimit = 10'000;
/// What the driver of a real port keeps unread, as the Qt port is set up.
constexpr std::size_t kLineBufferBytes = 4096;

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

class Session;

class MicrosecondTime final : public TimeBase
{
public:
    explicit MicrosecondTime(Session &session)
        : m_session(session)
    { }
    int64_t milliseconds() const override { return m_us / 1000; }
    int64_t microseconds() const override { return m_us; }
    void sleep(int64_t ms) override;
    void sleepUntil(int64_t deadline) override;

    int64_t now() const { return m_us; }
    /// Moves the clock forward (never back); true when it moved.
    bool advanceTo(int64_t us)
    {
        if (us <= m_us)
            return false;
        m_us = us;
        return true;
    }

private:
    Session &m_session;
    int64_t m_us = 0;
};

/// The receiver's line and the device behind it, which can vanish and return.
class Line final : public SerialPort
{
public:
    explicit Line(Session &session)
        : m_session(session)
    { }
    bool isOpen() const override { return m_open; }
    void setPort(const std::string &) override { }
    void setSettings(const std::string &) override { }
    void setReadLength(int characters) override { m_readLength = characters; }
    bool open() override;
    void close() override
    {
        m_open = false;
        m_input.clear();
    }
    std::string read() override;
    bool hasFailed() const override { return m_failed; }
    std::string errorText() const override { return m_error; }

    void arrive(const std::string &characters)
    {
        if (!m_open || m_failed)
            return;
        for (const char c : characters) {
            if (m_input.size() < kLineBufferBytes)
                m_input.push_back(c);
        }
    }
    void vanish()
    {
        m_present = false;
        if (!m_open)
            return;
        m_failed = true;
        m_error = "Das Gerät ist nicht mehr vorhanden.";
        m_input.clear();
    }
    void comeBack() { m_present = true; }
    bool hasInput() const { return !m_input.empty(); }

private:
    Session &m_session;
    bool m_present = true;
    bool m_open = false;
    bool m_failed = false;
    int m_readLength = 1;
    std::string m_error;
    std::deque<char> m_input;
};

class ScriptedEvents final : public EventLoop
{
public:
    explicit ScriptedEvents(Session &session)
        : m_session(session)
    { }
    void processPendingEvents() override;
    void waitForActivity() override;

private:
    Session &m_session;
};

class Session final : public WindowObserver
{
public:
    explicit Session(const Script &script)
        : m_steps(script.steps)
        , m_originUs(script.timeBaseStartMs * 1000)
        , m_limitUs(m_originUs + (m_steps.empty() ? 0 : m_steps.back().atUs) + kTailUs)
    {
        time.advanceTo(m_originUs);
    }

    SessionSummary run()
    {
        program.start();
        MainWindow &w = program.frmDCF77;
        m_mainHost = dynamic_cast<WindowObserver *>(w.host());
        w.setObserver(this);
        w.txtComPort.setText("1");
        check();
        try {
            while (m_next < m_steps.size()) {
                advanceTo(m_originUs + m_steps[m_next].atUs);
                deliverDue();
            }
            advanceTo(m_limitUs + 1);
        } catch (const SessionEnded &) { }
        check();
        m_summary.ended = desktop.quitRequested;
        return m_summary;
    }

    /// Time passes; past the limit the run ends.
    void advanceTo(int64_t us)
    {
        if (us > m_limitUs) {
            time.advanceTo(m_limitUs);
            throw SessionEnded {};
        }
        if (time.advanceTo(us))
            progress();
    }

    void progress() { m_yieldsWithoutProgress = 0; }

    void yielded()
    {
        if (++m_yieldsWithoutProgress > kSpinLimit)
            broken("a loop waits: it does not keep processing events while nothing happens");
        deliverDue();
        check();
    }

    /// Delivers every step that is due; true when anything was delivered.
    bool deliverDue()
    {
        bool delivered = false;
        while (m_next < m_steps.size() && m_originUs + m_steps[m_next].atUs <= time.now()) {
            const Step &step = m_steps[m_next++];
            delivered = true;
            progress();
            perform(step);
            check();
        }
        return delivered;
    }

    /// Time of the next step, or past the limit when none is left.
    int64_t nextStepUs() const
    {
        return m_next < m_steps.size() ? m_originUs + m_steps[m_next].atUs : m_limitUs + 1;
    }

    void check();
    void propertyChanged(const Control &control, Property property) override;

    MicrosecondTime time {*this};
    ScriptedEvents events {*this};
    Line line {*this};
    testing::FakeDesktop desktop;
    Platform platform {events, time, line, desktop};
    Program program {platform};

private:
    void perform(const Step &step);
    void userAction(const Step &step);
    bool clockWindowShown();

    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    int64_t m_originUs;
    int64_t m_limitUs;
    int m_yieldsWithoutProgress = 0;
    WindowObserver *m_mainHost = nullptr;
    bool m_userClicksBitBox = false;
    int m_lastPanelCaption = -1;
    bool m_minuteAdvanced = false;
    bool m_hourAdvanced = false;
    SessionSummary m_summary;
};

void MicrosecondTime::sleep(int64_t ms)
{
    m_session.advanceTo(m_us + ms * 1000);
}

void MicrosecondTime::sleepUntil(int64_t deadline)
{
    m_session.advanceTo(deadline * 1000);
}

bool Line::open()
{
    if (!m_present) {
        m_error = "Das Gerät ist nicht vorhanden.";
        return false;
    }
    m_open = true;
    m_failed = false;
    m_error.clear();
    m_input.clear();
    return true;
}

std::string Line::read()
{
    std::string result;
    while (!m_input.empty() && static_cast<int>(result.size()) < std::max(m_readLength, 1)) {
        result.push_back(m_input.front());
        m_input.pop_front();
    }
    if (!result.empty())
        m_session.progress();
    return result;
}

void ScriptedEvents::processPendingEvents()
{
    m_session.yielded();
}

void ScriptedEvents::waitForActivity()
{
    if (m_session.deliverDue() || m_session.line.hasInput())
        return;
    m_session.advanceTo(m_session.nextStepUs());
    m_session.deliverDue();
    m_session.check();
}

bool Session::clockWindowShown()
{
    return program.clockWindowExists() && program.frmZeit().isShown();
}

void Session::perform(const Step &step)
{
    switch (step.op) {
    case Op::Character:
        line.arrive(step.text);
        return;
    case Op::DeviceVanishes:
        line.vanish();
        return;
    case Op::DeviceReturns:
        line.comeBack();
        return;
    case Op::Wait:
        return;
    default:
        // After Exit no window is left to act on.
        if (!desktop.quitRequested)
            userAction(step);
    }
}

void Session::userAction(const Step &step)
{
    // The user acts only on a window that is on the screen.
    MainWindow &w = program.frmDCF77;
    const bool onClockWindow = step.op == Op::ClockWindowClick || step.op == Op::ClockWindowClose
        || step.op == Op::Hsc1 || step.op == Op::Vsc1;
    if (onClockWindow ? !clockWindowShown() : !w.isShown())
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
        return w.txtComPort.setText(step.text);
    case Op::PointerMove:
        return w.mouseMove();
    case Op::BitBoxClick:
        m_userClicksBitBox = true;
        w.chkPuls(step.value).click();
        m_userClicksBitBox = false;
        return;
    default:
        return;
    }
}

void Session::propertyChanged(const Control &control, Property property)
{
    expect(!desktop.quitRequested, "nothing is drawn after Exit");
    if (m_mainHost)
        m_mainHost->propertyChanged(control, property);

    if (control.name() == "chkPuls" && control.index() == MainWindow::kLastBit
        && !m_userClicksBitBox) {
        if (property == Property::Value) {
            expect(static_cast<const CheckBox &>(control).value() == CheckBox::Unchecked,
                   "no bit is written outside chkPuls(0..58)");
        }
        if (property == Property::BackColor) {
            expect(control.backColor() == colors::kButtonFace,
                   "no bit is written outside chkPuls(0..58)");
        }
    }

    // The decoder writes the hour before the minute; the running clock's advance writes the
    // minute, then the hour.
    if (control.name() != "lblA" || property != Property::Caption)
        return;
    if (control.index() == MainWindow::kHourLabel) {
        if (m_lastPanelCaption == MainWindow::kMinuteLabel) {
            ++m_summary.clockMinutes;
            m_minuteAdvanced = true;
            m_hourAdvanced = m_hourAdvanced || program.g.Minute == 0;
        } else {
            ++m_summary.decodes;
            m_minuteAdvanced = false;
            m_hourAdvanced = false;
        }
    }
    m_lastPanelCaption = control.index();
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

    // Windows.
    const MainWindow &w = program.frmDCF77;
    expect(std::isfinite(w.left()) && std::isfinite(w.top()), "the main window has a position");

    if (!desktop.quitRequested)
        desktop.drawn.clear();
    else
        expect(desktop.drawn.size() == desktop.drawnAtQuit, "nothing is drawn after Exit");
}

} // namespace

SessionSummary runSession(const Script &script)
{
    Session session(script);
    return session.run();
}

} // namespace dcf::fuzz
