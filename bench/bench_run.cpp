#include "bench_run.h"

#include <QApplication>
#include <QMessageBox>
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

QStringList sendingReceiverArguments(int firstSecond)
{
    // A fixed day, so that every run receives the same minutes.
    return {QStringLiteral("--start"),
            QStringLiteral("2026-06-12 10:14:%1").arg(firstSecond, 2, 10, QLatin1Char('0'))};
}

} // namespace

BenchRun::BenchRun(QtProgram &bundle, RunSettings settings)
    : m_bundle(bundle)
    , m_settings(settings)
    , m_probe(bundle.program)
    , m_user(kUserTickMs)
    , m_silentReceiver({QStringLiteral("--silence-after"), QStringLiteral("0")})
    , m_sendingReceiver(sendingReceiverArguments(settings.firstSecond))
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
    return !m_user.hasFailed() && m_failure.isEmpty();
}

QWidget *BenchRun::widget(const Control &control)
{
    QWidget *found = m_bundle.widget(control);
    if (!found)
        fail(QString::fromStdString(control.displayName()) + QStringLiteral(" has no widget"));
    return found;
}

void BenchRun::startReceiver(driver::SimulatorProcess &receiver)
{
    if (!receiver.start())
        fail(receiver.error());
    else if (QWidget *port = widget(m_bundle.program.frmDCF77.txtComPort))
        driver::typeInto(port, receiver.devicePath());
}

void BenchRun::fail(const QString &failure)
{
    if (m_failure.isEmpty())
        m_failure = failure;
    if (!m_bundle.program.ended())
        m_bundle.program.cmdExit_Click();
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

    m_user
        .act(QStringLiteral("start the silent receiver"),
             [this] { startReceiver(m_silentReceiver); })
        .actLongRunning(QStringLiteral("press Start"),
                        [this] { click(m_bundle.program.frmDCF77.cmdStart); })
        .pause(kSettleMs)
        .act(QStringLiteral("meter waiting"),
             [this] {
                 if (!m_bundle.serial.isOpen())
                     return fail(QStringLiteral("the program did not open the receiver's port"));
                 waiting.begin();
                 m_baseline.start(m_settings.phaseSeconds);
             })
        .pause(phaseMs)
        .act(QStringLiteral("end of waiting"),
             [this] {
                 waiting.end();
                 QString error;
                 if (!m_baseline.collect(error))
                     fail(error);
             })

        // Start again on the sending receiver: the waiting reception gives way to a new one.
        .act(QStringLiteral("start the sending receiver"),
             [this] { startReceiver(m_sendingReceiver); })
        .act(QStringLiteral("press Start for receiving"),
             [this] {
                 m_probe.recordPulses = true;
                 m_probe.recordClock = true;
                 click(m_bundle.program.frmDCF77.cmdStart);
             })
        .pause(kSettleMs)
        .act(QStringLiteral("meter receiving"),
             [this] {
                 if (!m_bundle.serial.isOpen())
                     return fail(QStringLiteral("the program did not open the receiver's port"));
                 receiving.begin();
             })
        .waitFor(
            QStringLiteral("the decoded minute and the running clock"),
            [this] { return m_probe.clockSecondsShown() > 0; }, kReceptionTimeoutMs)
        .act(QStringLiteral("end of receiving"), [this] { receiving.end(); })

        .pause(kSettleMs)
        .act(QStringLiteral("meter the clock"), [this] { clock.begin(); })
        .pause(phaseMs)
        .act(QStringLiteral("end of the clock"), [this] { clock.end(); })

        // Start while the clock runs replaces it with a fresh reception: more marks.
        .act(QStringLiteral("press Start for more marks"),
             [this] {
                 m_probe.recordClock = false;
                 click(m_bundle.program.frmDCF77.cmdStart);
             })
        .waitFor(
            QStringLiteral("%1 measured marks").arg(marksWanted),
            [this, marksWanted] {
                return static_cast<int>(m_probe.pulses().size()) >= marksWanted;
            },
            kReceptionTimeoutMs)
        .act(QStringLiteral("press Exit"), [this] { click(m_bundle.program.frmDCF77.cmdExit); });
}

} // namespace dcf::bench
