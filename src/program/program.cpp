#include "program/program.h"

#include "clock/clock_window_reactions.h"
#include "clock/running_clock.h"
#include "reception/reception.h"
#include "ui/lifecycle.h"
#include "ui/messages.h"
#include "ui/port_name.h"

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

RoutineEnd endOf(ReceptionEnd end)
{
    switch (end) {
    case ReceptionEnd::MinuteComplete:
        break;
    case ReceptionEnd::PortUnusable:
        return RoutineEnd::PortUnusable;
    case ReceptionEnd::PortFailed:
        return RoutineEnd::PortFailed;
    }
    return RoutineEnd::MinuteComplete;
}

DecodedMinute decodedMinute(const Global &g)
{
    constexpr int kCentury = 2000;
    return {g.Minute, g.Stunde, g.Tag, g.Wochentag, g.Monat, kCentury + g.Jahr, g.Zeitzone.str()};
}

} // namespace

void Program::YieldingEvents::processPendingEvents()
{
    m_program.m_platform.events.processPendingEvents();
    m_program.throwIfInterrupted(m_newStartEndsRoutine);
}

void Program::YieldingEvents::waitForActivity()
{
    m_program.m_platform.events.waitForActivity();
    m_program.throwIfInterrupted(m_newStartEndsRoutine);
}

Program::Program(Platform &platform, WindowSystem &windows)
    : m_platform(platform)
    , m_windows(windows)
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
        m_platform.desktop.showMessage(MessageKind::Error, kProgramTitle,
                                       internalErrorText(error.what()));
    }
}

void Program::connectReactions()
{
    m_frmDCF77.setReactionGate(this);
    m_frmDCF77.cmdStart.onClick = [this] {
        cmdStart_Click();
    };
    m_frmDCF77.cmdExit.onClick = [this] {
        cmdExit_Click();
    };
    m_frmDCF77.cmdHide.onClick = [this] {
        cmdHide_Click(clockWindowContext());
    };
    m_frmDCF77.HScroll1.onChange = [this] {
        HScroll1_Change(placementContext());
    };
    m_frmDCF77.VScroll1.onChange = [this] {
        VScroll1_Change(placementContext());
    };
    m_frmDCF77.txtLeft.onChange = [this] {
        txtLeft_Change(placementContext());
    };
    m_frmDCF77.txtTop.onChange = [this] {
        txtTop_Change(placementContext());
    };
    // The ports present when the user comes to type one: what the field suggests.
    m_frmDCF77.txtComPort.onGotFocus = [this] {
        m_frmDCF77.txtComPort.setSuggestions(portSuggestions(m_platform.serial.availablePorts()));
    };
    m_frmDCF77.onMouseMove = [this] {
        Form_MouseMove(placementContext());
    };
    // Closing the main window from its frame is the same as Exit.
    m_frmDCF77.onCloseRequest = [this] {
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
        m_clockWindow->attach(m_windows);
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
    m_frmDCF77.attach(m_windows);
    Form_Load(g, m_frmDCF77, m_platform.desktop);
    m_frmDCF77.show();
}

ReceptionContext Program::receptionContext()
{
    return {g,
            m_frmDCF77,
            m_longRoutineEvents,
            m_platform.time,
            m_platform.serial,
            m_platform.desktop,
            &m_observers};
}

DecodingContext Program::decodingContext()
{
    return {g, m_frmDCF77, clockWindowAccess(), m_reactionEvents};
}

ClockContext Program::runningClockContext()
{
    return {g,
            m_frmDCF77,
            clockWindowAccess(),
            m_longRoutineEvents,
            m_platform.time,
            m_platform.desktop,
            &m_observers};
}

ClockContext Program::clockWindowContext()
{
    return {
        g, m_frmDCF77, clockWindowAccess(), m_reactionEvents, m_platform.time, m_platform.desktop};
}

PlacementContext Program::placementContext()
{
    return {m_frmDCF77, m_platform.desktop};
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
    if (m_receptionActive) {
        // The active reception or clock unwinds at its next event processing and the outer
        // Start begins afresh: no nesting, however often Start is pressed. A port that cannot
        // be used leaves it running.
        if (portIsUsable(receptionContext()))
            m_restartRequested = true;
        return;
    }
    FlagGuard active(m_receptionActive);
    for (;;) {
        m_restartRequested = false;
        Routine routine = Routine::Reception;
        try {
            const ReceptionEnd end = runReception(receptionContext());
            m_observers.routineEnded(routine, endOf(end));
            if (end != ReceptionEnd::MinuteComplete)
                return;
            routine = Routine::Decoder;
            DecodeTelegram(decodingContext());
            m_observers.minuteDecoded(decodedMinute(g));
            m_observers.routineEnded(routine, RoutineEnd::Decoded);
            routine = Routine::Clock;
            RunClock(runningClockContext()); // until Exit or a new Start
            return;
        } catch (const RoutineInterrupted &interruption) {
            const bool ended = interruption.reason == RoutineInterrupted::Reason::ProgramEnded;
            m_observers.routineEnded(routine,
                                     ended ? RoutineEnd::ProgramEnded : RoutineEnd::Restarted);
            if (ended)
                return;
        }
    }
}

void Program::cmdExit_Click()
{
    m_ended = true;
    dcf::cmdExit_Click(m_frmDCF77, m_clockWindow.get(), m_platform.desktop);
}

void Program::exit()
{
    run([this] { cmdExit_Click(); });
}

void Program::addObserver(ProgramObserver &observer)
{
    m_observers.list.push_back(&observer);
}

void Program::removeObserver(const ProgramObserver &observer)
{
    std::erase(m_observers.list, &observer);
}

void Program::Observers::markBegan(int64_t arrivalMicroseconds)
{
    for (ProgramObserver *observer : list)
        observer->markBegan(arrivalMicroseconds);
}

void Program::Observers::markMeasured(const MeasuredMark &mark)
{
    for (ProgramObserver *observer : list)
        observer->markMeasured(mark);
}

void Program::Observers::secondShown(const ShownSecond &second)
{
    for (ProgramObserver *observer : list)
        observer->secondShown(second);
}

void Program::Observers::minuteDecoded(const DecodedMinute &minute)
{
    for (ProgramObserver *observer : list)
        observer->minuteDecoded(minute);
}

void Program::Observers::routineEnded(Routine routine, RoutineEnd how)
{
    for (ProgramObserver *observer : list)
        observer->routineEnded(routine, how);
}

} // namespace dcf
