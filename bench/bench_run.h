#pragma once

// One run of the real program under a scripted user, in phases:
//   waiting   Start on a simulated receiver that stays silent (meanwhile the baseline runs)
//   receiving Start on a simulated receiver that sends, until the minute is decoded
//   clock     the running clock after the decode
//   more marks Start again, until enough marks have been measured; then Exit.
// The processor time of each phase is metered; the probe records marks and clock seconds.

#include "app/qt_program.h"
#include "baseline.h"
#include "process_usage.h"
#include "program_probe.h"
#include "scripted_user.h"
#include "simulator_process.h"

#include <QString>
#include <vector>

namespace dcf::bench {

struct RunSettings
{
    /// Length of the waiting and the clock phase; the receiving phase lasts as long as the
    /// reception, which ends with the minute.
    int phaseSeconds = 60;
    /// Marks to measure over the receptions (about one a second).
    int marksWanted = 125;
    /// Second of the minute at which the sending receiver begins; the reception ends with the
    /// first complete minute after it.
    int firstSecond = 3;
};

class BenchRun
{
public:
    BenchRun(QtProgram &bundle, RunSettings settings);

    /// Runs the script in the application's event loop; false when a step failed.
    bool run();
    const QString &failure() const { return m_failure; }

    ProcessorMeter waiting;
    ProcessorMeter receiving;
    ProcessorMeter clock;
    const ProgramProbe &probe() const { return m_probe; }
    /// The same measurements without the program, taken during the waiting phase.
    const Baseline &baseline() const { return m_baseline; }

private:
    void buildScript();
    void startReceiver(driver::SimulatorProcess &receiver);
    void click(const Control &control);
    /// Ends the run: Exit unwinds whatever holds the thread.
    void fail(const QString &failure);
    /// The widget that shows `control`; null, and the run failed, when there is none.
    QWidget *widget(const Control &control);

    QtProgram &m_bundle;
    RunSettings m_settings;
    ProgramProbe m_probe;
    driver::ScriptedUser m_user;
    driver::SimulatorProcess m_silentReceiver;
    driver::SimulatorProcess m_sendingReceiver;
    Baseline m_baseline;
    QString m_failure;
};

} // namespace dcf::bench
