#pragma once

// The real program (Qt platform, real serial port) under a scripted user's hands, with the
// simulated receivers it listens to. Scenarios add their steps to `user`; run() starts the
// program, plays the script inside the window system's event loop and tells whether every check
// held. Everything the checks read comes from the widgets on the screen, not from the model.
//   scenario -> ScriptedUser steps -> clicks and keys into QtProgram's widgets -> reading widgets

#include "app/qt_program.h"
#include "expectations.h"
#include "scripted_user.h"
#include "simulator_process.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QLineEdit;
class QMessageBox;

namespace dcf {
class CheckBox;
class ClockWindow;
class Label;
class MainWindow;
class TextBox;
} // namespace dcf

namespace dcf::autopilot {

inline constexpr int kExitPassed = 0;
inline constexpr int kExitFailed = 1;

class Session
{
public:
    /// `picturesDir`: where the demo saves its pictures; empty: none.
    /// `options`: the program's command line (the receiver, chrony).
    Session(QString picturesDir, ProgramOptions options);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    /// Starts the program, plays the script and returns the exit status.
    int run();

    const QString picturesDir;
    QtProgram qt;
    driver::ScriptedUser user;

    MainWindow &main() { return qt.program.mainWindow(); }
    ClockWindow &clock() { return qt.program.clockWindow(); }

    // Simulators -------------------------------------------------------------------------------
    /// What every simulator is told about the receiver it plays (--receiver KIND and so on).
    QStringList receiverArguments;
    /// Starts a simulator that sends from `startUtc` on; false (and the session failed) when it
    /// does not start.
    bool startSimulator(int64_t startUtc, const QStringList &extraArguments = {});
    /// The simulator started last; only valid after startSimulator().
    driver::SimulatorProcess &simulator() { return *m_simulators.back(); }
    /// A receiver that runs outside the session (--port); empty: the session starts its own.
    QString externalPort;
    /// The device the user types: the external receiver's, else the latest simulator's.
    QString portPath() { return externalPort.isEmpty() ? simulator().devicePath() : externalPort; }
    const SimulatorTimeline &timeline() const { return m_timelines.back(); }

    // Reading the screen -----------------------------------------------------------------------
    QWidget *widget(const Control &control);
    QWidget *surface(const Window &window);
    QString caption(const Label &label);
    QString text(const TextBox &box);
    bool isChecked(const CheckBox &box);
    bool isShown(const Window &window);
    bool isShown(const Control &control);
    /// The message box on the screen, or null.
    static QMessageBox *visibleMessageBox();
    /// The whole seconds that a seconds label shows (its decimals lie beyond its edge).
    QString secondsShown(const Label &label);
    /// Whether all of lblA(0..20) are on the screen: the decode has revealed the panel.
    bool panelShown();
    /// The panel's rows as the user reads them.
    std::vector<std::string> panelRows();

    // Progress and failure ---------------------------------------------------------------------
    /// A progress line for the user, with the seconds since the session began.
    void say(const QString &line);
    /// An indented line without time, for results.
    void show(const QString &line);
    /// Records the first failure, tells it and ends the program.
    void fail(const QString &why);
    bool hasFailed() const { return m_failed; }
    /// Set by a check while it does not hold, appended to a timed-out wait's failure.
    QString mismatch;
    qint64 elapsedMs() const;

    /// The decode the program must have made, once a scenario has seen one.
    std::optional<ExpectedDecode> expected;
    /// Real time (ms since the epoch) when the revealed panel was first seen, or -1.
    qint64 decodedAtMs = -1;
    /// Real time (ms since the epoch) when Exit was pressed, or -1.
    qint64 exitPressedAtMs = -1;
    /// Whether the Start click is still running (reception, decoder, clock).
    bool startRunning = false;
    /// An object for queued calls and connections that live as long as the session.
    QObject context;

private:
    std::vector<std::unique_ptr<driver::SimulatorProcess>> m_simulators;
    std::vector<SimulatorTimeline> m_timelines;
    qint64 m_startedAtMs = 0;
    bool m_failed = false;
    QString m_failure;
};

} // namespace dcf::autopilot
