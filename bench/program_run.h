#pragma once

// The real program under a scripted user, part by part: first Start on a silent receiver (the
// processor while it waits), then for each part Start on a fresh simulated receiver of the part's
// kind under the part's load, until the minute is decoded and the clock has run a while; then
// Exit. Each part records its marks, waits and clock seconds through the program's hooks, when
// the program opened the port and knew the kind, its processor time, what its receiver sent and
// what a plain reader beside it measured. Each hook comes the moment the program has handled the
// edge or shown the second, so its time also tells how long the edge waited to be processed and
// how late the second came.

#include "app/qt_program.h"
#include "loads.h"
#include "plain_reader.h"
#include "program/program_observer.h"
#include "report.h"
#include "scripted_user.h"
#include "simulator_process.h"

#include <QString>
#include <QTemporaryDir>
#include <list>
#include <memory>

namespace dcf::bench {

struct RunSettings
{
    int waitingSeconds = 60;
    /// The quiet characters part measures this many marks over its receptions, from a receiver
    /// that begins at this second of its minute, and watches its clock this long.
    int quietMarks = 125;
    int quietFirstSecond = 3;
    int quietClockSeconds = 60;
    /// How long the other parts watch the running clock.
    int clockSeconds = 20;
};

class ProgramRun final : public ProgramObserver
{
public:
    /// Runs `parts` in their order; they must outlive the run.
    ProgramRun(QtProgram &bundle, RunSettings settings, std::vector<PartRecord> &parts);
    ~ProgramRun() override;
    ProgramRun(const ProgramRun &) = delete;
    ProgramRun &operator=(const ProgramRun &) = delete;

    /// Runs the script in the application's event loop; false when a step failed.
    bool run();
    const QString &failure() const { return m_failure; }

    ProcessorMeter waiting;
    /// How often the busy window's thread was held.
    int windowHolds() const { return m_windowLoad.holds(); }

    void markBegan(int64_t arrivalMicroseconds) override;
    void markMeasured(const MeasuredMark &mark) override;
    void secondShown(const ShownSecond &second) override;
    void minuteDecoded(const DecodedMinute &minute) override;

private:
    struct Part
    {
        PartRecord &record;
        QString writeLog;
        PlainReader plain;
    };

    void addPart(Part &part);
    /// Starts a receiver and types its device into the program; the receiver before stays until
    /// the program has opened the new one.
    void startReceiver(QStringList arguments);
    /// Notes when the program has the receiver's port open, and when it knows the kind.
    void trackOpening(PartRecord &record);
    bool programHasReceiverOpen() const;
    void click(const Control &control);
    /// Ends the run: Exit unwinds whatever holds the thread.
    void fail(const QString &failure);

    QtProgram &m_bundle;
    RunSettings m_settings;
    QTemporaryDir m_writeLogs;
    driver::ScriptedUser m_user;
    std::list<Part> m_parts;
    std::unique_ptr<driver::SimulatorProcess> m_receiver;
    std::unique_ptr<driver::SimulatorProcess> m_previousReceiver;
    WindowLoad m_windowLoad;
    ProcessorLoad m_processorLoad;
    /// Where the hooks' marks, waits and clock seconds go; nowhere when null.
    PartRecord *m_recordTo = nullptr;
    int m_decodes = 0;
    int m_decodesBefore = 0;
    double m_beginWaitMs = 0;
    /// The clock's first second after a decode falls due the moment it is shown, to the
    /// truncated millisecond of its own start: it says nothing about lateness.
    bool m_clockJustStarted = false;
    QString m_failure;
};

} // namespace dcf::bench
