#pragma once

// One run of the real program under a scripted user, in phases:
//   waiting         Start on a simulated receiver that stays silent
//   quiet           Start on a simulated receiver that sends, until the minute is decoded; the
//                   running clock; Start again until enough marks have been measured
//   window busy     Start on a fresh receiver while the main window is repainted continuously
//                   and the window thread is held at random moments; the clock after the decode
//   processors busy the same while spinning processes keep every processor busy
// then Exit. The processor time of the phases is metered; the probe records marks, their waits
// and clock seconds for each condition, and a plain reader takes the same measurements beside it.

#include "app/qt_program.h"
#include "baseline.h"
#include "loads.h"
#include "process_usage.h"
#include "program_probe.h"
#include "scripted_user.h"
#include "simulator_process.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

namespace dcf::bench {

struct RunSettings
{
    /// Length of the waiting and the quiet clock phase; the receiving phases last as long as
    /// their reception, which ends with the minute.
    int phaseSeconds = 60;
    /// Marks to measure on the quiet machine, over its receptions (about one a second).
    int marksWanted = 125;
    /// Second of the minute at which the quiet run's receiver begins; its reception ends with the
    /// first complete minute after it.
    int firstSecond = 3;
    /// How long the running clock is watched under each load.
    int loadedClockSeconds = 20;
    bool withWindowBusy = true;
    bool withProcessorsBusy = true;
};

/// What was measured under one condition, with the plain reader beside it.
struct Condition
{
    explicit Condition(std::string heading)
        : name(std::move(heading))
    { }

    std::string name;
    bool ran = false;
    /// Where its receiver logs the edges it sends.
    std::string writeLog;
    ProgramProbe::Recording recording;
    /// The whole process under a load, from the port's opening to the end of the clock.
    ProcessorMeter meter;
    Baseline baseline;
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

    Condition quiet {"Quiet machine"};
    Condition windowBusy {"Window kept busy"};
    Condition processorsBusy {"Processors kept busy"};
    const WindowLoad &windowLoad() const { return m_windowLoad; }

private:
    void buildScript();
    /// Starts a receiver and types its device into the program; the receiver before stays until
    /// the program has opened the new one. A receiver for `condition` logs what it sends.
    void startReceiver(QStringList arguments, Condition *condition = nullptr);
    /// Start on a fresh receiver under `condition`, with `startLoad` and `stopLoad` around it,
    /// until the minute is decoded and the clock has run a while.
    void addLoadedCondition(Condition &condition, std::function<void()> startLoad,
                            std::function<void()> stopLoad);
    /// Ends the plain reader of `condition` and takes its figures.
    void addBaselineEnd(Condition &condition);
    /// Fails the run unless the program has the receiver's port open; the receiver before goes.
    bool checkPortOpen();
    void click(const Control &control);
    /// Ends the run: Exit unwinds whatever holds the thread.
    void fail(const QString &failure);
    /// The widget that shows `control`; null, and the run failed, when there is none.
    QWidget *widget(const Control &control);

    QtProgram &m_bundle;
    RunSettings m_settings;
    QTemporaryDir m_writeLogs;
    ProgramProbe m_probe;
    driver::ScriptedUser m_user;
    std::unique_ptr<driver::SimulatorProcess> m_receiver;
    std::unique_ptr<driver::SimulatorProcess> m_previousReceiver;
    WindowLoad m_windowLoad;
    ProcessorLoad m_processorLoad;
    int m_decodesBefore = 0;
    QString m_failure;
};

} // namespace dcf::bench
