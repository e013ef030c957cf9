#include "fuzz_session.h"

#include "program/program.h"
#include "reception/reception_steps.h"
#include "virtual_platform.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

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

bool within(double value, double low, double high)
{
    return value >= low && value <= high;
}

/// The number a display box shows; nothing while it is empty or shows no number.
std::optional<double> shownNumber(const TextBox &box)
{
    const std::string &text = box.text();
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.find_first_not_of(' ') == std::string::npos || end == text.c_str() || *end != '\0')
        return std::nullopt;
    return value;
}

/// An empty box, or a number from `low` to `high` with nothing after it.
bool showsNothingOrWithin(const TextBox &box, double low, double high)
{
    const std::optional<double> value = shownNumber(box);
    return box.text().empty() || (value && within(*value, low, high));
}

/// Characters in UTF-8 text.
std::size_t characters(const std::string &text)
{
    std::size_t count = 0;
    for (const char byte : text)
        count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

// The controls as the desktop's log names them.
const std::string kLastBitBox = "chkPuls(" + std::to_string(MainWindow::kLastBit) + ")";

/// The program on the virtual platform, with the session as its event processing, watching
/// what it shows and what it tells its observers.
class Session final : public EventLoop, public ProgramObserver
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
        vp.waitForActivity();
        check();
    }

    void markMeasured(const MeasuredMark &mark) override;
    void minuteDecoded(const DecodedMinute &minute) override;
    void secondShown(const ShownSecond &second) override;
    void routineEnded(Routine routine, RoutineEnd how) override;

private:
    void schedule(const Step &step);
    void act(const Step &step);
    void check();
    void checkDrawn(const Drawn &write);

    testing::VirtualPlatform vp;
    Platform m_platform {*this, vp, vp.serial, vp.desktop};
    Program program {m_platform, vp.desktop};
    int64_t m_originUs;
    int64_t m_endMs;
    int m_spinLimit = kSpinLimit;
    int m_eventsWithoutProgress = 0;
    int64_t m_lastEventsAt = -1;
    /// The clock's last second since the decode, if it showed one.
    std::optional<ShownSecond> m_lastShown;
    bool m_minuteAdvanced = false;
    bool m_hourAdvanced = false;
    /// The routine that ended last, and how.
    std::optional<std::pair<Routine, RoutineEnd>> m_lastEnded;
    SessionSummary m_summary;
};

Session::Session(const Script &script)
    : m_originUs(script.timeBaseStartMs * 1000)
    , m_endMs(script.timeBaseStartMs + (script.steps.empty() ? 0 : script.steps.back().atUs / 1000)
              + kTailMs)
{
    vp.advanceTo(script.timeBaseStartMs);
    for (const Step &step : script.steps)
        schedule(step);
}

SessionSummary Session::run()
{
    vp.serial.ports = {{"/dev/ttyUSB0", "FT232R USB UART", "FTDI"}};
    program.addObserver(*this);
    program.start();
    program.mainWindow().txtComPort.setText("1");
    vp.at(m_endMs, [] {}); // so that waits go on to the end
    vp.endAt(m_endMs);
    check();
    try {
        // The window system's own loop, for whenever no Start command is running.
        while (vp.nextScripted() >= 0) {
            vp.advanceTo(vp.nextScripted());
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
    MainWindow &w = program.mainWindow();
    const bool onClockWindow = step.op == Op::ClockWindowClick || step.op == Op::ClockWindowClose
        || step.op == Op::Hsc1 || step.op == Op::Vsc1;
    if (!(onClockWindow ? program.clockWindowLoaded() && program.clockWindow().isShown()
                        : w.isShown()))
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
        return program.clockWindow().click();
    case Op::ClockWindowClose:
        return program.clockWindow().closeRequest();
    case Op::HScroll1:
        return w.HScroll1.userSetValue(step.value);
    case Op::VScroll1:
        return w.VScroll1.userSetValue(step.value);
    case Op::Hsc1:
        return program.clockWindow().hsc1.userSetValue(step.value);
    case Op::Vsc1:
        return program.clockWindow().vsc1.userSetValue(step.value);
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
}

void Session::markMeasured(const MeasuredMark &mark)
{
    constexpr double kMicrosecondsPerSecond = 1e6;
    const double between = static_cast<double>(mark.endMicroseconds - mark.beginMicroseconds)
        / kMicrosecondsPerSecond;
    expect(mark.endMicroseconds >= mark.beginMicroseconds && mark.beginMicroseconds >= m_originUs,
           "a mark ends after it begins, and both after the time base started");
    expect(std::abs(mark.lengthSeconds - between) <= 0.0005 + 1e-9,
           "a mark's length is the time between its edges' arrivals, to the millisecond");
}

void Session::minuteDecoded(const DecodedMinute &minute)
{
    ++m_summary.decodes;
    m_lastShown.reset();
    m_minuteAdvanced = false;
    m_hourAdvanced = false;
    expect(within(minute.minute, 0, 85) && within(minute.hour, 0, 45) && within(minute.day, 0, 45)
               && within(minute.weekday, 0, 7) && within(minute.month, 0, 25)
               && within(minute.year, 2000, 2165),
           "decoded values within what their bits can hold");
    expect(minute.zone == "Sommerzeit" || minute.zone == "Winterzeit"
               || minute.zone == std::string(10, ' '),
           "the zone names a zone or is empty");
    // A minute gap with more pulses than a minute holds was preceded by a lost mark's gap: its
    // bits belong to an earlier minute. Only the time-out hands such a count over.
    const MainWindow &w = program.mainWindow();
    expect(shownNumber(w.txtPausZ).value_or(0) < reception::kGapsForMinute
               || shownNumber(w.txtZähl).value_or(0) <= reception::kMostPulsesForMinute
               || shownNumber(w.txtZeit1).value_or(0) > reception::kTimeOut,
           "a decode never follows a second gap with more than 60 pulses");
}

void Session::secondShown(const ShownSecond &second)
{
    expect(within(second.second, 0, 59), "the clock shows seconds 0 to 59");
    expect(second.dueMilliseconds <= vp.now(), "no second is shown before it falls due");
    if (m_lastShown) {
        expect(second.dueMilliseconds >= m_lastShown->dueMilliseconds,
               "seconds fall due in their order");
        if (second.minute != m_lastShown->minute) {
            ++m_summary.clockMinutes;
            m_minuteAdvanced = true;
            m_hourAdvanced = m_hourAdvanced || second.hour != m_lastShown->hour;
        }
    }
    expect(within(second.minute, 0, m_minuteAdvanced ? 59 : 85), "the minute within its range");
    expect(within(second.hour, 0, m_hourAdvanced ? 23 : 45), "the hour within its range");
    m_lastShown = second;
}

void Session::routineEnded(Routine routine, RoutineEnd how)
{
    // Each routine of a Start follows the one before only when that one completed.
    const bool follows = routine == Routine::Reception
        || (routine == Routine::Decoder && m_lastEnded
            && *m_lastEnded == std::pair {Routine::Reception, RoutineEnd::MinuteComplete})
        || (routine == Routine::Clock && m_lastEnded
            && *m_lastEnded == std::pair {Routine::Decoder, RoutineEnd::Decoded});
    expect(follows, "the decoder follows a complete minute, the clock the decoder");
    expect(routine != Routine::Decoder || how != RoutineEnd::Restarted,
           "a new Start lets the decoder finish");
    m_lastEnded = {routine, how};
}

void Session::check()
{
    // What the main window shows of the reception.
    const MainWindow &w = program.mainWindow();
    expect(showsNothingOrWithin(w.txtZähl, 0, Global::kPulsTableLast),
           "the pulse counter counts whole pulses, one per pulse index");
    expect(w.txtZähl.text().find('.') == std::string::npos, "the pulse counter shows no fraction");
    expect(showsNothingOrWithin(w.txtPausZ, 1, 2), "an attempt ends at its second minute gap");
    expect(showsNothingOrWithin(w.txtFehler1, 1, 1) && showsNothingOrWithin(w.txtFehler2, 1, 1)
               && (w.txtFehler1.text().empty() || w.txtFehler2.text().empty()),
           "one faulty pulse ends the attempt before the next is read");
    expect(showsNothingOrWithin(w.txtFehler3, 1, 1), "Fehler3 is 0 or 1");
    expect(characters(w.txtSign.text()) <= 1, "one character is read at a time");
    for (const TextBox *time : {&w.txtZeit1, &w.txtZeit2, &w.txtDCF1, &w.txtDCF2, &w.txtPause}) {
        expect(showsNothingOrWithin(*time, 0, 1e6),
               "pulses are timed after the port opened, and end after they begin");
    }

    // What the program drew since the last check.
    for (const Drawn &write : vp.desktop.drawn)
        checkDrawn(write);
    if (!vp.desktop.quitRequested)
        vp.desktop.drawn.clear();
    else
        expect(vp.desktop.drawn.size() == vp.desktop.drawnAtQuit, "nothing is drawn after Exit");
    vp.sleeps.clear();
    vp.sleepsUntil.clear();

    expect(std::isfinite(w.left()) && std::isfinite(w.top()), "the main window has a position");
}

} // namespace

SessionSummary runSession(const Script &script)
{
    Session session(script);
    return session.run();
}

} // namespace dcf::fuzz
