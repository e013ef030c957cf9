#include "program/program.h"

#include "clock/clock_window_reactions.h"
#include "clock/running_clock.h"
#include "reception/port_name.h"
#include "reception/reception.h"
#include "ui/lifecycle.h"

#include <exception>

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

/// Counts one level of nesting for as long as the scope lasts.
class DepthGuard
{
public:
    explicit DepthGuard(int &depth)
        : m_depth(depth)
    {
        ++m_depth;
    }
    ~DepthGuard() { --m_depth; }
    DepthGuard(const DepthGuard &) = delete;
    DepthGuard &operator=(const DepthGuard &) = delete;

private:
    int &m_depth;
};

} // namespace

void Program::YieldingEvents::processPendingEvents()
{
    m_program.platform.events.processPendingEvents();
    m_program.throwIfInterrupted(m_newStartEndsRoutine);
}

void Program::YieldingEvents::waitForActivity()
{
    m_program.platform.events.waitForActivity();
    m_program.throwIfInterrupted(m_newStartEndsRoutine);
}

Program::Program(Platform &machine, WindowSystem &windowSystem)
    : platform(machine)
    , windows(windowSystem)
{
    connectReactions();
}

Program::~Program() = default;

void Program::run(const Reaction &reaction)
{
    if (m_ended)
        return;
    const bool outermost = m_reactionDepth == 0;
    const DepthGuard depth(m_reactionDepth);
    try {
        reaction();
    } catch (const RoutineInterrupted &) {
        // The routine that this reaction interrupted sees the same cause at its next yield.
    } catch (const std::exception &error) {
        // A nested reaction's fault unwinds the routine around it, as any fault of its own would.
        if (!outermost)
            throw;
        platform.desktop.showMessage(kProgramTitle,
                                     "Interner Fehler: " + std::string(error.what()));
    }
}

void Program::connectReactions()
{
    frmDCF77.setReactionGate(this);
    frmDCF77.cmdStart.onClick = [this] {
        cmdStart_Click();
    };
    frmDCF77.cmdExit.onClick = [this] {
        cmdExit_Click();
    };
    frmDCF77.cmdHide.onClick = [this] {
        cmdHide_Click(clockWindowContext());
    };
    frmDCF77.HScroll1.onChange = [this] {
        HScroll1_Change(placementContext());
    };
    frmDCF77.VScroll1.onChange = [this] {
        VScroll1_Change(placementContext());
    };
    frmDCF77.txtLeft.onChange = [this] {
        txtLeft_Change(placementContext());
    };
    frmDCF77.txtTop.onChange = [this] {
        txtTop_Change(placementContext());
    };
    // The ports present when the user comes to type one: what the field suggests.
    frmDCF77.txtComPort.onGotFocus = [this] {
        frmDCF77.txtComPort.setSuggestions(portSuggestions(platform.serial.availablePorts()));
    };
    frmDCF77.onMouseMove = [this] {
        Form_MouseMove(placementContext());
    };
    // Closing the main window from its frame is the same as Exit.
    frmDCF77.onCloseRequest = [this] {
        cmdExit_Click();
    };
}

void Program::connectClockWindow(ClockWindow &window)
{
    window.setReactionGate(this);
    window.onClick = [this] {
        frmZeit_Form_Click(clockWindowContext());
    };
    // Closing the clock window from its frame brings the main window back, as a click does.
    window.onCloseRequest = [this] {
        frmZeit_Form_Click(clockWindowContext());
    };
    window.hsc1.onChange = [this] {
        hsc1_Change(clockWindowContext());
    };
    window.vsc1.onChange = [this] {
        vsc1_Change(clockWindowContext());
    };
}

ClockWindow &Program::frmZeit()
{
    if (!m_clockWindow) {
        m_clockWindow = std::make_unique<ClockWindow>();
        connectClockWindow(*m_clockWindow);
        m_clockWindow->attach(windows);
    }
    return *m_clockWindow;
}

ClockWindowAccess Program::clockWindowAccess()
{
    return [this]() -> ClockWindow & {
        return frmZeit();
    };
}

void Program::start()
{
    frmDCF77.attach(windows);
    Form_Load(g, frmDCF77, platform.desktop);
    frmDCF77.show();
}

ReceptionContext Program::receptionContext()
{
    return {g, frmDCF77, m_longRoutineEvents, platform.time, platform.serial, platform.desktop};
}

DecodingContext Program::decodingContext()
{
    return {g, frmDCF77, clockWindowAccess(), m_reactionEvents};
}

ClockContext Program::runningClockContext()
{
    return {g, frmDCF77, clockWindowAccess(), m_longRoutineEvents, platform.time, platform.desktop};
}

ClockContext Program::clockWindowContext()
{
    return {g, frmDCF77, clockWindowAccess(), m_reactionEvents, platform.time, platform.desktop};
}

PlacementContext Program::placementContext()
{
    return {frmDCF77, platform.desktop};
}

void Program::throwIfInterrupted(bool newStartToo) const
{
    if (m_ended)
        throw RoutineInterrupted {RoutineInterrupted::Reason::ProgramEnded};
    if (newStartToo && m_restartRequested)
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
            if (runReception(receptionContext()) != ReceptionEnd::MinuteComplete)
                return;
            DecodeTelegram(decodingContext());
            RunClock(runningClockContext()); // until Exit or a new Start
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
    dcf::cmdExit_Click(frmDCF77, m_clockWindow.get(), platform.desktop);
}

} // namespace dcf
