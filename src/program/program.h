#pragma once

// The running program: it ties the routines together. The flow is
//   cmdStart_Click -> runReception -> DecodeTelegram -> RunClock (until Exit or a new Start),
// each called in turn from cmdStart_Click when the one before has returned; every other reaction
// runs nested inside the event processing of whichever of them is active. Each routine gets a
// narrow context of what it uses; the rules by which the long routines give way (Exit ends them
// all, a new Start replaces the active one) live here and nowhere else.

#include "clock/clock_context.h"
#include "decoding/decoder.h"
#include "platform/platform.h"
#include "program/routine_interrupted.h"
#include "reception/reception_context.h"
#include "state/global.h"
#include "ui/clock_window.h"
#include "ui/main_window.h"
#include "ui/placement.h"

#include <memory>

namespace dcf {

class Program final : private ReactionGate
{
public:
    Program(Platform &platform, WindowSystem &windows);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    Global g;
    Platform &platform;
    WindowSystem &windows;
    MainWindow frmDCF77;

    /// The clock window, created hidden the first time anything refers to it.
    ClockWindow &frmZeit();
    bool clockWindowExists() const { return m_clockWindow != nullptr; }

    /// Creates the main window on the desktop, runs Form_Load and shows it.
    void start();

    /// The Start command: runs a reception (and the decoder and clock that follow it). Pressed
    /// while one is active, it makes the active one give way to a fresh reception instead of
    /// nesting a second one.
    void cmdStart_Click();
    /// The Exit command: closes the windows and ends the program; interrupted routines unwind.
    void cmdExit_Click();

    bool ended() const { return m_ended; }
    bool receptionActive() const { return m_receptionActive; }

    // What each routine gets. Yields of the reception and the running clock end them on Exit
    // and on a new Start; those of the decoder and the reactions only on Exit.
    ReceptionContext receptionContext();
    DecodingContext decodingContext();
    ClockContext runningClockContext();
    ClockContext clockWindowContext();
    PlacementContext placementContext();

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

    /// Runs a reaction of either window: none after Exit, and nothing that the routines throw
    /// gets out of it.
    void run(const Reaction &reaction) override;
    void connectReactions();
    void connectClockWindow(ClockWindow &window);
    ClockWindowAccess clockWindowAccess();
    void throwIfInterrupted(bool newStartToo) const;

    std::unique_ptr<ClockWindow> m_clockWindow;
    YieldingEvents m_longRoutineEvents {*this, true};
    YieldingEvents m_reactionEvents {*this, false};
    bool m_ended = false;
    bool m_receptionActive = false;
    bool m_restartRequested = false;
    /// Reactions running, one inside the other (a reaction nested in a routine's yield).
    int m_reactionDepth = 0;
};

} // namespace dcf
