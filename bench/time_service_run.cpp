#include "time_service_run.h"

#include "platform/serial/serial_service.h"
#include "simulator_process.h"
#include "timeservice/chrony_socket.h"
#include "timeservice/time_service.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <iostream>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

namespace dcf::bench {

namespace {

using namespace timeservice;

constexpr int64_t kMinuteUs = 60'000'000;
/// The first sample may take three minutes; a fourth is room.
constexpr int64_t kLeadUs = 4 * kMinuteUs;
constexpr int kPollMs = 500;
constexpr int kChronydStartMs = 5000;
constexpr int kChronycMs = 10000;
constexpr int kSoakMs = 600000;
/// A sample's mark ended within this after it began.
constexpr int64_t kLongestMarkUs = 250'000;

/// Takes the reader's edges into the time service, which the main thread polls too, and keeps
/// every sample it passes on to chronyd.
class Recording final : public EdgeListener, public SampleSink
{
public:
    explicit Recording(ChronySocket &chrony)
        : m_chrony(chrony)
    { }
    void edge(const Edge &edge) override
    {
        const std::lock_guard lock(mutex);
        if (!firstEdgeUs)
            firstEdgeUs = edge.stampMicroseconds;
        service.edge(edge);
    }
    bool send(const Sample &sample) override
    {
        samples.push_back(sample);
        return m_chrony.send(sample);
    }

    std::mutex mutex;
    std::optional<int64_t> firstEdgeUs;
    std::vector<Sample> samples;
    SystemClocks clocks;
    TimeService service {clocks, *this};

private:
    ChronySocket &m_chrony;
};

QString systemProgram(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStringLiteral("/usr/sbin/") + name : found;
}

/// chronyd with a private configuration in `folder`, its only source the SOCK reference clock
/// at `folder`/refclock.sock.
bool startChronyd(QProcess &chronyd, const QDir &folder)
{
    QFile config(folder.filePath(QStringLiteral("chrony.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write(QStringLiteral("pidfile %1/chronyd.pid\ndriftfile %1/drift\n"
                                "bindcmdaddress %1/chronyd.sock\ncmdport 0\nport 0\n"
                                "refclock SOCK %1/refclock.sock refid DCF\n")
                     .arg(folder.path())
                     .toUtf8());
    config.close();
    chronyd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // -x: the clock is left alone; -U and -u: no root needed, none given up.
    chronyd.start(systemProgram(QStringLiteral("chronyd")),
                  {QStringLiteral("-x"), QStringLiteral("-U"), QStringLiteral("-u"),
                   QString::fromUtf8(getpwuid(getuid())->pw_name), QStringLiteral("-n"),
                   QStringLiteral("-f"), config.fileName(), QStringLiteral("-l"),
                   folder.filePath(QStringLiteral("chronyd.log"))});
    for (int waited = 0; waited < kChronydStartMs; waited += kPollMs) {
        if (QFile::exists(folder.filePath(QStringLiteral("refclock.sock"))))
            return true;
        QThread::msleep(kPollMs);
    }
    return false;
}

/// The offset of the source in chronyc's sourcestats.
std::optional<double> sourcestatsOffsetMs(const QDir &folder)
{
    QProcess chronyc;
    chronyc.start(systemProgram(QStringLiteral("chronyc")),
                  {QStringLiteral("-h"), folder.filePath(QStringLiteral("chronyd.sock")),
                   QStringLiteral("-c"), QStringLiteral("sourcestats")});
    chronyc.waitForFinished(kChronycMs);
    // name,samples,runs,span,frequency,skew,offset,deviation
    for (const QByteArray &line : chronyc.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() >= 8 && fields[0] == "DCF")
            return fields[6].toDouble() * 1000;
    }
    return std::nullopt;
}

} // namespace

bool runTimeService(int minutes, TimeServiceRecord &record, QString &failure)
{
    QTemporaryDir work;
    const QDir folder(work.path());
    QProcess chronyd;
    const auto stopChronyd = qScopeGuard([&chronyd] {
        chronyd.terminate();
        chronyd.waitForFinished();
    });
    if (!startChronyd(chronyd, folder)) {
        failure = QStringLiteral("chronyd made no socket");
        return false;
    }
    const QString writeLog = work.filePath(QStringLiteral("writes"));
    driver::SimulatorProcess receiver({QStringLiteral("--log-writes"), writeLog});
    if (!receiver.start()) {
        failure = receiver.error();
        return false;
    }

    ChronySocket chrony(folder.filePath(QStringLiteral("refclock.sock")).toStdString(),
                        [](const std::string &line) { std::cerr << line << '\n'; });
    Recording recording(chrony);
    SerialService serial;
    serial.setEdgeListener(&recording);
    if (serial.open(receiver.devicePath().toStdString(), {.kind = ReceiverKind::Characters})) {
        failure = QStringLiteral("the time service could not open the simulator's terminal");
        return false;
    }
    record.meter.begin();
    const int64_t spanUs = minutes * kMinuteUs;
    const int64_t deadlineUs = monotonicMicrosecondsNow() + spanUs + kLeadUs;
    for (;;) {
        QThread::msleep(kPollMs);
        const std::lock_guard lock(recording.mutex);
        const int64_t now = monotonicMicrosecondsNow();
        recording.service.poll(now);
        const std::vector<Sample> &samples = recording.samples;
        if (now > deadlineUs
            || (!samples.empty()
                && samples.back().monotonicMicroseconds - samples.front().monotonicMicroseconds
                    >= spanUs))
            break;
    }
    record.meter.end();
    serial.setEdgeListener(nullptr);
    serial.close();
    record.chronyOffsetMs = sourcestatsOffsetMs(folder);
    receiver.stop();

    const SentEdges sent = SentEdges::read(writeLog.toStdString());
    const std::vector<Sample> &samples = recording.samples;
    for (const Sample &sample : samples) {
        const int64_t stamp = sample.monotonicMicroseconds;
        if (const auto mark = sent.markArrivedAt(stamp, stamp + kLongestMarkUs))
            record.afterWriteMs.push_back(static_cast<double>(stamp * 1000 - mark->beginNs) / 1e6);
        record.offsetMs.push_back(
            static_cast<double>(sample.trueUtcSeconds * 1'000'000'000 - sample.systemNanoseconds)
            / 1e6);
    }
    if (!samples.empty()) {
        record.spanMinutes = static_cast<double>(samples.back().monotonicMicroseconds
                                                 - samples.front().monotonicMicroseconds)
            / kMinuteUs;
        record.firstSampleSeconds
            = static_cast<double>(samples.front().monotonicMicroseconds - *recording.firstEdgeUs)
            / 1e6;
    }
    return true;
}

std::optional<SoakRecord> runSoak(QString &failure)
{
    QProcess test;
    test.setProcessChannelMode(QProcess::MergedChannels);
    test.start(QStringLiteral(DCF77_SOAK_TESTS),
               {QStringLiteral("--gtest_filter=TimeServiceSoak.*")});
    if (!test.waitForFinished(kSoakMs)) {
        failure = QStringLiteral("the soak test did not finish: ") + test.errorString();
        return std::nullopt;
    }
    const QString output = QString::fromUtf8(test.readAll());
    const QRegularExpressionMatch counts
        = QRegularExpression(QStringLiteral("(\\d+) samples from (\\d+) marks")).match(output);
    if (!counts.hasMatch()) {
        failure = QStringLiteral("the soak test printed no counts:\n") + output;
        return std::nullopt;
    }
    SoakRecord soak {counts.captured(1).toLongLong(), counts.captured(2).toLongLong(),
                     static_cast<int>(output.count(QStringLiteral(": Failure")))};
    if (test.exitCode() != 0 && soak.failedChecks == 0)
        soak.failedChecks = 1; // failed without saying where
    return soak;
}

} // namespace dcf::bench
