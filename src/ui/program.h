#pragma once

// The running program: the shared state, the two windows and the platform, plus the rules by
// which the long routines give way. The flow is
//   cmdStart -> reception (attempts) -> DecodeTelegram -> RunClock (until Exit or a new Start);
// every other reaction runs nested inside the event processing of whichever of them is active.

#include "platform/platform.h"
#include "state/global.h"
#include "ui/main_window.h"

#include <memory>

namespace dcf {

class ClockWindow;

class Program
{
public:
    explicit Program(Platform &platform);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    Global g;
    Platform &platform;
    MainWindow frmDCF77;

    /// The clock window, created hidden the first time anything refers to it.
    ClockWindow &frmZeit();
    bool clockWindowExists() const { return m_clockWindow != nullptr; }

    /// Creates the main window on the desktop, runs Form_Load and shows it.
    void start();

    /// The time base: seconds from the 64-bit monotonic millisecond count.
    double WinTimer() const;
    /// Blocks without event processing.
    void Sleep(int64_t ms);

    /// Handles pending events; throws RoutineInterrupted when Exit was pressed meanwhile.
    void processEvents();
    /// As processEvents(), and also throws when a new Start waits to replace the running
    /// reception or clock. The reception and the running clock yield through this.
    void processEventsInLongLoop();
    /// Blocks until an event or serial input arrives and handles it; interrupts as above.
    void waitForActivity();

    /// The Start command: runs a reception (and the decoder and clock that follow it). Pressed
    /// while one is active, it makes the active one give way to a fresh reception instead of
    /// nesting a second one.
    void cmdStart_Click();
    /// The Exit command: closes the windows and ends the program; interrupted routines unwind.
    void cmdExit_Click();

    bool ended() const { return m_ended; }
    bool receptionActive() const { return m_receptionActive; }

    /// Called by the reception when a minute is complete: decoder, then running clock.
    void receptionFinished();

private:
    void throwIfInterrupted(bool restartToo) const;

    std::unique_ptr<ClockWindow> m_clockWindow;
    bool m_ended = false;
    bool m_receptionActive = false;
    bool m_restartRequested = false;
};

} // namespace dcf
