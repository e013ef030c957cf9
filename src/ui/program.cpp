#include "ui/program.h"

#include "clock/clock_window.h"
#include "clock/running_clock.h"
#include "decoding/decoder.h"
#include "reception/reception.h"
#include "ui/placement.h"
#include "ui/startup.h"

namespace dcf {

namespace {

/// Clears a flag when the scope ends, however it ends.
class FlagGuard
{
public:
    explicit FlagGuard(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard &) = delete;
    FlagGuard &operator=(const FlagGuard &) = delete;

private:
    bool &m_flag;
};

} // namespace

Program::Program(Platform &machine)
    : platform(machine)
{
    frmDCF77.cmdStart.onClick = [this] {
        cmdStart_Click();
    };
    frmDCF77.cmdExit.onClick = [this] {
        cmdExit_Click();
    };
    frmDCF77.cmdHide.onClick = [this] {
        cmdHide_Click(*this);
    };
    frmDCF77.HScroll1.onChange = [this] {
        HScroll1_Change(*this);
    };
    frmDCF77.VScroll1.onChange = [this] {
        VScroll1_Change(*this);
    };
    frmDCF77.txtLeft.onChange = [this] {
        txtLeft_Change(*this);
    };
    frmDCF77.txtTop.onChange = [this] {
        txtTop_Change(*this);
    };
    frmDCF77.onMouseMove = [this] {
        Form_MouseMove(*this);
    };
    // Closing the main window from its frame is the same as Exit.
    frmDCF77.onCloseRequest = [this] {
        cmdExit_Click();
    };
}

Program::~Program() = default;

ClockWindow &Program::frmZeit()
{
    if (!m_clockWindow) {
        m_clockWindow = std::make_unique<ClockWindow>();
        connectClockWindow(*this, *m_clockWindow);
        m_clockWindow->attach(platform.desktop);
    }
    return *m_clockWindow;
}

void Program::start()
{
    frmDCF77.attach(platform.desktop);
    Form_Load(*this);
    frmDCF77.show();
}

double Program::WinTimer() const
{
    return static_cast<double>(platform.time.milliseconds()) / 1000.0;
}

void Program::Sleep(int64_t ms)
{
    platform.time.sleep(ms);
}

void Program::processEvents()
{
    platform.events.processPendingEvents();
    throwIfInterrupted(false);
}

void Program::processEventsInLongLoop()
{
    platform.events.processPendingEvents();
    throwIfInterrupted(true);
}

void Program::waitForActivity()
{
    platform.events.waitForActivity();
    throwIfInterrupted(true);
}

void Program::throwIfInterrupted(bool restartToo) const
{
    if (m_ended)
        throw RoutineInterrupted {RoutineInterrupted::Reason::ProgramEnded};
    if (restartToo && m_restartRequested)
        throw RoutineInterrupted {RoutineInterrupted::Reason::Restart};
}

void Program::cmdStart_Click()
{
    if (m_ended)
        return;
    if (m_receptionActive) {
        // The active reception or clock unwinds at its next event processing and the outer
        // Start begins afresh: no nesting, however often Start is pressed.
        m_restartRequested = true;
        return;
    }
    FlagGuard active(m_receptionActive);
    for (;;) {
        m_restartRequested = false;
        try {
            runReception(*this);
            return;
        } catch (const RoutineInterrupted &interruption) {
            if (interruption.reason == RoutineInterrupted::Reason::ProgramEnded)
                return;
        }
    }
}

void Program::cmdExit_Click()
{
    m_ended = true;
    frmDCF77.close();
    if (m_clockWindow)
        m_clockWindow->close();
    platform.desktop.quit();
}

void Program::receptionFinished()
{
    DecodeTelegram(*this);
    RunClock(*this);
}

} // namespace dcf
