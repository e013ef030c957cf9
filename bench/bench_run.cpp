#include "bench_run.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QWidget>

namespace dcf::bench {

namespace {

/// Steps of the script start at this pace; slow enough that the user costs the process next
/// to nothing.
constexpr int kUserTickMs = 100;
/// After Start: the reset's pause and the port's opening are over.
constexpr int kSettleMs = 3000;
/// A reception ends with the first complete minute: at most two minutes and a little.
constexpr int kReceptionTimeoutMs = 150000;
constexpr int kMsPerSecond = 1000;
/// A receiver under load begins shortly before a minute, so its reception lasts little more than
/// one minute.
constexpr int kLoadedFirstSecond = 50;
/// The plain reader prints its figures and ends within a second of being asked.
constexpr int kBaselineEndMs = 10000;

QStringList sendingReceiverArguments(int firstSecond)
{
    // A fixed day, so that every run receives the same minutes.
    return {QStringLiteral("--start"),
            QStringLiteral("2026-06-12 10:14:%1").arg(firstSecond, 2, 10, QLatin1Char('0'))};
}

QString named(const char *what, const Condition &condition)
{
    return QString::fromUtf8(what) + QStringLiteral(": ") + QString::fromStdString(condition.name);
}

} // namespace

BenchRun::BenchRun(QtProgram &bundle, RunSettings settings)
    : m_bundle(bundle)
    , m_settings(settings)
    , m_probe(bundle.program)
    , m_user(kUserTickMs)
{
    m_user.onFailure = [this](const QString &failure) {
        // A message the program showed meanwhile usually says why.
        QString why = failure;
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            why += QStringLiteral("; the program says: ") + box->text();
            box->reject();
        }
        fail(why);
    };
    buildScript();
}

bool BenchRun::run()
{
    m_user.begin();
    QApplication::exec();
    m_windowLoad.stop();
    m_processorLoad.stop();
    return !m_user.hasFailed() && m_failure.isEmpty();
}

QWidget *BenchRun::widget(const Control &control)
{
    QWidget *found = m_bundle.widget(control);
    if (!found)
        fail(QString::fromStdString(control.displayName()) + QStringLiteral(" has no widget"));
    return found;
}

void BenchRun::startReceiver(QStringList arguments, Condition *condition)
{
    if (condition) {
        condition->writeLog
            = m_writeLogs.filePath(QString::fromStdString(condition->name)).toStdString();
        arguments << QStringLiteral("--log-writes") << QString::fromStdString(condition->writeLog);
    }
    m_previousReceiver = std::move(m_receiver);
    m_receiver = std::make_unique<driver::SimulatorProcess>(arguments);
    if (!m_receiver->start())
        fail(m_receiver->error());
    else if (QWidget *port = widget(m_bundle.program.mainWindow().txtComPort))
        driver::typeInto(port, m_receiver->devicePath());
}

bool BenchRun::checkPortOpen()
{
    if (m_bundle.serial.isOpen()) {
        // The program reads the new receiver now; the one before may go.
        m_previousReceiver.reset();
        return true;
    }
    fail(QStringLiteral("the program did not open the receiver's port"));
    return false;
}

void BenchRun::fail(const QString &failure)
{
    if (m_failure.isEmpty())
        m_failure = failure;
    if (!m_bundle.program.ended())
        m_bundle.program.exit();
}

void BenchRun::click(const Control &control)
{
    if (QWidget *shown = widget(control))
        driver::clickOn(shown);
}

void BenchRun::buildScript()
{
    const int phaseMs = m_settings.phaseSeconds * kMsPerSecond;
    const int marksWanted = m_settings.marksWanted;
    const auto quietMarks = [this] {
        return static_cast<int>(quiet.recording.pulses.size());
    };

    m_user
        .act(QStringLiteral("start the silent receiver"),
             [this] {
                 startReceiver({QStringLiteral("--silence-after"), QStringLiteral("0")});
             })
        .actLongRunning(QStringLiteral("press Start"),
                        [this] { click(m_bundle.program.mainWindow().cmdStart); })
        .pause(kSettleMs)
        .act(QStringLiteral("meter waiting"),
             [this] {
                 if (checkPortOpen())
                     waiting.begin();
             })
        .pause(phaseMs)
        .act(QStringLiteral("end of waiting"), [this] { waiting.end(); })

        // Start again on the sending receiver: the waiting reception gives way to a new one.
        .act(QStringLiteral("start the sending receiver"),
             [this] {
                 startReceiver(sendingReceiverArguments(m_settings.firstSecond), &quiet);
                 quiet.ran = true;
                 quiet.baseline.start();
             })
        .act(QStringLiteral("press Start for receiving"),
             [this] {
                 m_probe.marksTo = &quiet.recording;
                 m_probe.secondsTo = &quiet.recording;
                 m_decodesBefore = m_probe.decodes();
                 click(m_bundle.program.mainWindow().cmdStart);
             })
        .pause(kSettleMs)
        .act(QStringLiteral("meter receiving"),
             [this] {
                 if (checkPortOpen())
                     receiving.begin();
             })
        .waitFor(
            QStringLiteral("the decoded minute"),
            [this] { return m_probe.decodes() > m_decodesBefore; }, kReceptionTimeoutMs)
        .act(QStringLiteral("end of receiving"), [this] { receiving.end(); })

        .pause(kSettleMs)
        .act(QStringLiteral("meter the clock"), [this] { clock.begin(); })
        .pause(phaseMs)
        .act(QStringLiteral("end of the clock"), [this] { clock.end(); })

        // Start while the clock runs replaces it with a fresh reception: more marks.
        .act(QStringLiteral("press Start for more marks"),
             [this, marksWanted, quietMarks] {
                 m_probe.secondsTo = nullptr;
                 if (quietMarks() < marksWanted)
                     click(m_bundle.program.mainWindow().cmdStart);
             })
        .waitFor(
            QStringLiteral("%1 measured marks").arg(marksWanted),
            [marksWanted, quietMarks] { return quietMarks() >= marksWanted; }, kReceptionTimeoutMs)
        .act(QStringLiteral("end of the quiet machine"), [this] { m_probe.marksTo = nullptr; });
    addBaselineEnd(quiet);

    if (m_settings.withWindowBusy) {
        addLoadedCondition(
            windowBusy,
            [this] { m_windowLoad.start(m_bundle.surface(m_bundle.program.mainWindow())); },
            [this] { m_windowLoad.stop(); });
    }
    if (m_settings.withProcessorsBusy) {
        // Long enough for the whole condition, should the benchmark be unable to stop them.
        const int longestSeconds
            = (kSettleMs + kReceptionTimeoutMs) / kMsPerSecond + m_settings.loadedClockSeconds;
        addLoadedCondition(
            processorsBusy,
            [this, longestSeconds] {
                const QString why
                    = m_processorLoad.start(QThread::idealThreadCount(), longestSeconds);
                if (!why.isEmpty())
                    fail(why);
            },
            [this] { m_processorLoad.stop(); });
    }
    m_user.act(QStringLiteral("press Exit"),
               [this] { click(m_bundle.program.mainWindow().cmdExit); });
}

void BenchRun::addLoadedCondition(Condition &condition, std::function<void()> startLoad,
                                  std::function<void()> stopLoad)
{
    m_user
        .act(named("start the receiver and the load", condition),
             [this, &condition, startLoad] {
                 startReceiver(sendingReceiverArguments(kLoadedFirstSecond), &condition);
                 condition.ran = true;
                 condition.baseline.start();
                 startLoad();
             })
        .act(named("press Start", condition),
             [this, &condition] {
                 m_probe.marksTo = &condition.recording;
                 m_probe.secondsTo = &condition.recording;
                 m_decodesBefore = m_probe.decodes();
                 click(m_bundle.program.mainWindow().cmdStart);
             })
        .pause(kSettleMs)
        .act(named("meter", condition),
             [this, &condition] {
                 if (checkPortOpen())
                     condition.meter.begin();
             })
        .waitFor(
            named("the minute decoded", condition),
            [this] { return m_probe.decodes() > m_decodesBefore; }, kReceptionTimeoutMs)
        .pause(m_settings.loadedClockSeconds * kMsPerSecond)
        .act(named("end", condition), [this, &condition, stopLoad] {
            condition.meter.end();
            stopLoad();
            m_probe.marksTo = nullptr;
            m_probe.secondsTo = nullptr;
        });
    addBaselineEnd(condition);
}

void BenchRun::addBaselineEnd(Condition &condition)
{
    m_user
        .act(named("stop the plain reader", condition), [&condition] { condition.baseline.stop(); })
        .waitFor(
            named("the plain reader's end", condition),
            [&condition] { return condition.baseline.hasEnded(); }, kBaselineEndMs)
        .act(named("take the plain reader's figures", condition), [this, &condition] {
            QString error;
            if (!condition.baseline.collect(error))
                fail(error);
        });
}

} // namespace dcf::bench
