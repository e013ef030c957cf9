#pragma once

// The running program: it ties the routines together. The flow is
//   cmdStart_Click -> runReception -> DecodeTelegram -> RunClock (until Exit or a new Start),
// each called in turn from cmdStart_Click when the one before has returned; every other reaction
// runs nested inside the event processing of whichever of them is active. Each routine gets a
// narrow context of what it uses; the rules by which the long routines give way (Exit ends them
// all, a new Start replaces the active one) live here and nowhere else.
//
// From outside, the program is its windows, as a user sees and works them, and what it tells its
// observers; its state and its platform are its own.

#include "clock/clock_context.h"
#include "decoding/decoder.h"
#include "platform/platform.h"
#include "program/program_observer.h"
#include "program/routine_interrupted.h"
#include "reception/reception_context.h"
#include "state/global.h"
#include "ui/clock_window.h"
#include "ui/main_window.h"
#include "ui/model/window_host.h"
#include "ui/placement.h"

#include <memory>
#include <vector>

namespace dcf {

class Program final : private ReactionGate
{
public:
    Program(Platform &platform, WindowSystem &windows);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    /// Creates the main window on the desktop, runs Form_Load and shows it.
    void start();

    /// The main window, to be clicked, typed into and read as the user does.
    MainWindow &mainWindow() { return m_frmDCF77; }
    /// The clock window likewise, created hidden the first time anything refers to it.
    ClockWindow &clockWindow() { return frmZeit(); }
    bool clockWindowLoaded() const { return m_clockWindow != nullptr; }

    /// `observer` hears of marks, decodes, clock seconds and routine ends from now on.
    void addObserver(ProgramObserver &observer);
    void removeObserver(const ProgramObserver &observer);

    /// Ends the program as Exit does (a termination signal, for one).
    void exit();
    bool ended() const { return m_ended; }

private:
    /// The platform's event processing, followed by the check whether the routine that yielded
    /// must give way.
    class YieldingEvents final : public EventLoop
    {
    public:
        YieldingEvents(const Program &program, bool newStartEndsRoutine)
            : m_program(program)
            , m_newStartEndsRoutine(newStartEndsRoutine)
        { }
        void processPendingEvents() override;
        void waitForActivity() override;

    private:
        const Program &m_program;
        bool m_newStartEndsRoutine;
    };

    /// Hands whatever happens on to every observer.
    class Observers final : public ProgramObserver
    {
    public:
        void markBegan(int64_t arrivalMicroseconds) override;
        void markMeasured(const MeasuredMark &mark) override;
        void secondShown(const ShownSecond &second) override;
        void minuteDecoded(const DecodedMinute &minute) override;
        void routineEnded(Routine routine, RoutineEnd how) override;

        std::vector<ProgramObserver *> list;
    };

    /// The Start command: runs a reception, then the decoder and the clock. Pressed while one
    /// of them is active, it makes the active one give way to a fresh reception instead of
    /// nesting a second one, if the port can be used.
    void cmdStart_Click();
    /// The Exit command: closes the windows and ends the program; interrupted routines unwind.
    void cmdExit_Click();

    /// Runs a reaction of either window: none after Exit, and nothing that the routines throw
    /// gets out of it.
    void run(const Reaction &reaction) override;
    void connectReactions();
    void connectClockWindow(ClockWindow &window);
    ClockWindow &frmZeit();
    ClockWindowAccess clockWindowAccess();
    void throwIfInterrupted(bool newStartToo) const;

    // What each routine gets. Yields of the reception and the running clock end them on Exit
    // and on a new Start; those of the decoder and the reactions only on Exit.
    ReceptionContext receptionContext();
    DecodingContext decodingContext();
    ClockContext runningClockContext();
    ClockContext clockWindowContext();
    PlacementContext placementContext();

    Global g;
    Platform &m_platform;
    WindowSystem &m_windows;
    MainWindow m_frmDCF77;
    std::unique_ptr<ClockWindow> m_clockWindow;
    Observers m_observers;
    YieldingEvents m_longRoutineEvents {*this, true};
    YieldingEvents m_reactionEvents {*this, false};
    bool m_ended = false;
    bool m_receptionActive = false;
    bool m_restartRequested = false;
    /// Reactions running, one inside the other (a reaction nested in a routine's yield).
    int m_reactionDepth = 0;
};

} // namespace dcf
