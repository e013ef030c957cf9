#include "program_run.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <filesystem>

namespace dcf::bench {

namespace {

/// Steps of the script start at this pace; slow enough that the user costs the process next
/// to nothing, fine enough to time the recognition.
constexpr int kUserTickMs = 100;
/// After Start: the reset's pause and the port's opening are over.
constexpr int kOpenTimeoutMs = 5000;
constexpr int kRecognitionTimeoutMs = 15000;
/// A reception ends with the first complete minute: at most two minutes and a little.
constexpr int kReceptionTimeoutMs = 150000;
constexpr int kMsPerSecond = 1000;
/// The other parts' receivers begin shortly before a minute, so that a reception lasts little
/// more than one minute.
constexpr int kFirstSecond = 50;
/// The plain reader prints its figures and ends within seconds of being asked.
constexpr int kPlainReaderEndMs = 10000;
constexpr double kNsPerMs = 1e6;

/// How long ago `arrivalUs` was, ms.
double waitedSince(int64_t arrivalUs)
{
    return static_cast<double>(monotonicNs() - arrivalUs * 1000) / kNsPerMs;
}

QStringList sendingReceiver(ReceiverKind kind, int firstSecond, const QString &writeLog)
{
    // A fixed day, so that every run receives the same minutes.
    return {QStringLiteral("--receiver"),
            QString::fromUtf8(receiverKindName(kind).data()),
            QStringLiteral("--start"),
            QStringLiteral("2026-06-12 10:14:%1").arg(firstSecond, 2, 10, QLatin1Char('0')),
            QStringLiteral("--log-writes"),
            writeLog};
}

QString named(const char *what, const PartRecord &record)
{
    return QString::fromUtf8(what) + QStringLiteral(": ") + QString::fromStdString(record.name);
}

} // namespace

ProgramRun::ProgramRun(QtProgram &bundle, RunSettings settings, std::vector<PartRecord> &parts)
    : m_bundle(bundle)
    , m_settings(settings)
    , m_user(kUserTickMs)
{
    m_bundle.program.addObserver(*this);
    m_user.onFailure = [this](const QString &failure) {
        // A message the program showed meanwhile usually says why.
        QString why = failure;
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            why += QStringLiteral("; the program says: ") + box->text();
            box->reject();
        }
        fail(why);
    };
    const int waitingMs = m_settings.waitingSeconds * kMsPerSecond;
    m_user
        .act(QStringLiteral("start the silent receiver"),
             [this] {
                 startReceiver({QStringLiteral("--silence-after"), QStringLiteral("0")});
             })
        .actLongRunning(QStringLiteral("press Start"),
                        [this] { click(m_bundle.program.mainWindow().cmdStart); })
        .waitFor(
            QStringLiteral("the silent receiver's port open"),
            [this] { return programHasReceiverOpen(); }, kOpenTimeoutMs)
        .act(QStringLiteral("meter waiting"), [this] { waiting.begin(); })
        .pause(waitingMs)
        .act(QStringLiteral("end of waiting"), [this] { waiting.end(); });
    for (PartRecord &record : parts) {
        m_parts.emplace_back(record, m_writeLogs.filePath(QString::fromStdString(record.name)));
        addPart(m_parts.back());
    }
    m_user.act(QStringLiteral("press Exit"),
               [this] { click(m_bundle.program.mainWindow().cmdExit); });
}

ProgramRun::~ProgramRun()
{
    m_bundle.program.removeObserver(*this);
}

void ProgramRun::markBegan(int64_t arrivalMicroseconds)
{
    m_beginWaitMs = waitedSince(arrivalMicroseconds);
    if (m_recordTo)
        m_recordTo->waitsMs.push_back(m_beginWaitMs);
}

void ProgramRun::markMeasured(const MeasuredMark &mark)
{
    const double endWaitMs = waitedSince(mark.endMicroseconds);
    if (!m_recordTo)
        return;
    m_recordTo->waitsMs.push_back(endWaitMs);
    m_recordTo->pulses.push_back({mark.lengthSeconds * 1000, mark.beginMicroseconds,
                                  mark.endMicroseconds, std::max(m_beginWaitMs, endWaitMs)});
}

void ProgramRun::minuteDecoded(const DecodedMinute &)
{
    ++m_decodes;
    m_clockJustStarted = true;
    if (m_recordTo && !m_recordTo->decodedUs)
        m_recordTo->decodedUs = monotonicNs() / 1000;
}

void ProgramRun::secondShown(const ShownSecond &second)
{
    const double lateMs = static_cast<double>(monotonicNs()) / kNsPerMs
        - static_cast<double>(second.dueMilliseconds);
    if (std::exchange(m_clockJustStarted, false) || !m_recordTo)
        return;
    m_recordTo->secondsLate.push_back(lateMs);
    m_recordTo->secondsShown.push_back(second.second);
}

bool ProgramRun::run()
{
    m_user.begin();
    QApplication::exec();
    m_windowLoad.stop();
    m_processorLoad.stop();
    return !m_user.hasFailed() && m_failure.isEmpty();
}

void ProgramRun::startReceiver(QStringList arguments)
{
    m_previousReceiver = std::move(m_receiver);
    m_receiver = std::make_unique<driver::SimulatorProcess>(arguments);
    if (!m_receiver->start()) {
        fail(m_receiver->error());
        return;
    }
    if (QWidget *port = m_bundle.widget(m_bundle.program.mainWindow().txtComPort))
        driver::typeInto(port, m_receiver->devicePath());
    else
        fail(QStringLiteral("the port field has no widget"));
}

bool ProgramRun::programHasReceiverOpen() const
{
    // The program runs in this process: its open descriptors are ours.
    std::error_code error;
    const auto device = std::filesystem::canonical(m_receiver->devicePath().toStdString(), error);
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        if (std::filesystem::read_symlink(entry.path(), error) == device)
            return true;
    }
    return false;
}

void ProgramRun::trackOpening(PartRecord &record)
{
    if (!record.openedUs && programHasReceiverOpen()) {
        record.openedUs = monotonicNs() / 1000;
        record.receiving.begin();
        m_previousReceiver.reset(); // the program reads the new receiver now
    }
    // The open forgets the kind of the port before.
    if (record.openedUs && !record.knownUs) {
        record.recognisedAs = m_bundle.serial.service().kind();
        if (record.recognisedAs)
            record.knownUs = monotonicNs() / 1000;
    }
}

void ProgramRun::fail(const QString &failure)
{
    if (m_failure.isEmpty())
        m_failure = failure;
    if (!m_bundle.program.ended())
        m_bundle.program.exit();
}

void ProgramRun::click(const Control &control)
{
    if (QWidget *shown = m_bundle.widget(control))
        driver::clickOn(shown);
    else
        fail(QString::fromStdString(control.displayName()) + QStringLiteral(" has no widget"));
}

void ProgramRun::addPart(Part &part)
{
    PartRecord &record = part.record;
    const bool quietCharacters
        = record.kind == ReceiverKind::Characters && record.load == Load::Quiet;
    const int firstSecond = quietCharacters ? m_settings.quietFirstSecond : kFirstSecond;
    const int clockMs
        = (quietCharacters ? m_settings.quietClockSeconds : m_settings.clockSeconds) * kMsPerSecond;
    const int marksWanted = quietCharacters ? m_settings.quietMarks : 0;
    const auto decoded = [this] {
        return m_decodes > m_decodesBefore;
    };

    m_user
        .act(named("start the receiver, the plain reader and the load", record),
             [this, &part, firstSecond] {
                 part.record.ran = true;
                 startReceiver(sendingReceiver(part.record.kind, firstSecond, part.writeLog));
                 part.plain.start(part.record.kind);
                 if (part.record.load == Load::WindowBusy) {
                     m_windowLoad.start(m_bundle.surface(m_bundle.program.mainWindow()));
                 } else if (part.record.load == Load::ProcessorsBusy) {
                     // Long enough for the whole part, should the benchmark be unable to stop them.
                     const QString why = m_processorLoad.start(
                         QThread::idealThreadCount(), kReceptionTimeoutMs / kMsPerSecond * 2);
                     if (!why.isEmpty())
                         fail(why);
                 }
             })
        .act(named("press Start", record),
             [this, &record] {
                 m_recordTo = &record;
                 m_decodesBefore = m_decodes;
                 click(m_bundle.program.mainWindow().cmdStart);
             })
        .waitFor(
            named("the port open and the kind known", record),
            [this, &record] {
                trackOpening(record);
                return record.knownUs.has_value();
            },
            kRecognitionTimeoutMs)
        .waitFor(named("the minute decoded", record), decoded, kReceptionTimeoutMs)
        .act(named("meter the clock", record),
             [&record] {
                 record.receiving.end();
                 record.clock.begin();
             })
        .pause(clockMs)
        .act(named("end of the clock", record),
             [this, &record, marksWanted] {
                 record.clock.end();
                 // Start while the clock runs replaces it with a fresh reception: more marks.
                 if (static_cast<int>(record.pulses.size()) < marksWanted)
                     click(m_bundle.program.mainWindow().cmdStart);
             })
        .waitFor(
            named("enough marks", record),
            [&record, marksWanted] {
                return static_cast<int>(record.pulses.size()) >= marksWanted;
            },
            kReceptionTimeoutMs)
        .act(named("stop the load and the plain reader", record),
             [this, &part] {
                 m_recordTo = nullptr;
                 m_windowLoad.stop();
                 m_processorLoad.stop();
                 part.plain.stop();
             })
        .waitFor(
            named("the plain reader's end", record), [&part] { return part.plain.hasEnded(); },
            kPlainReaderEndMs)
        .act(named("take the figures", record), [this, &part] {
            part.record.sent = SentEdges::read(part.writeLog.toStdString());
            if (!part.plain.collect(part.record.plain))
                fail(named("the plain reader failed", part.record));
        });
}

} // namespace dcf::bench
