// A minute of random bytes at the full speed of the line, on top of the signal: the program must
// keep answering the user (Hide and back) and its memory must stay flat, however much arrives.

#include "scenarios.h"
#include "session.h"
#include "steps.h"
#include "ui/clock_window.h"
#include "ui/main_window.h"

#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <unistd.h>

namespace dcf::autopilot {

namespace {

constexpr int kWarmUpMs = 5 * 1000;
constexpr int kProbes = 6;
constexpr int kBetweenProbesMs = 10 * 1000;
/// A click must be handled within this time, also while bytes pour in.
constexpr qint64 kLatencyLimitMs = 1000;
/// Growth of the resident memory that the flood may cause at any moment; a buffer that kept
/// what the program cannot read in time would exceed it within a second.
constexpr int64_t kMemoryMarginBytes = 4 * 1024 * 1024;
constexpr int kMemorySampleMs = 100;
/// Characters the program must have shown during the flood, so that the checks above were made
/// under load at all (a stalled port would pass them).
constexpr int kLeastCharactersShown = 1000;
constexpr double kBytesPerMiB = 1024.0 * 1024.0;

struct FloodRecord
{
    int64_t memoryBefore = 0;
    int64_t memoryPeak = 0;
    std::unique_ptr<QTimer> sampler;
    int charactersShown = 0;
    qint64 postedAtMs = 0;
    qint64 worstLatencyMs = 0;
    int clicksHandled = 0;
};

/// The resident memory of this process in bytes (0 where the system does not tell).
int64_t residentMemoryBytes()
{
    // The second field of statm: resident pages.
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return 0;
    return fields.at(1).toLongLong() * static_cast<int64_t>(sysconf(_SC_PAGESIZE));
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString mebibytes(int64_t bytes)
{
    return QString::number(static_cast<double>(bytes) / kBytesPerMiB, 'f', 1);
}

/// A click that waits in the event queue like the user's own, so the time until it has been
/// handled is the time the program takes to look at its events.
void queueClick(Session &session, std::shared_ptr<FloodRecord> record, std::function<void()> click)
{
    record->postedAtMs = nowMs();
    QMetaObject::invokeMethod(
        &session.context,
        [&session, record, click] {
            click();
            const qint64 latency = nowMs() - record->postedAtMs;
            record->worstLatencyMs = std::max(record->worstLatencyMs, latency);
            ++record->clicksHandled;
            if (latency > kLatencyLimitMs)
                session.fail(QStringLiteral("a click took %1 ms to be handled").arg(latency));
        },
        Qt::QueuedConnection);
}

void probeResponsiveness(Session &session, std::shared_ptr<FloodRecord> record, int probe)
{
    session.user.act(QStringLiteral("click Hide while the bytes pour in"),
                     [&session, record, probe] {
                         session.say(QStringLiteral("Probe %1 of %2: Hide, then back; %3 "
                                                    "characters shown so far")
                                         .arg(probe)
                                         .arg(kProbes)
                                         .arg(record->charactersShown));
                         queueClick(session, record, [&session] {
                             if (QWidget *hide = session.widget(session.main().cmdHide))
                                 driver::clickOn(hide);
                         });
                     });
    check(session, QStringLiteral("the clock window is shown"), [&session] {
        return session.isShown(session.clock()) && !session.isShown(session.main())
            ? QString()
            : QStringLiteral("Hide has not been handled");
    });
    session.user.act(QStringLiteral("click the clock window's background"), [&session, record] {
        queueClick(session, record, [&session] {
            QWidget *clock = session.surface(session.clock());
            if (const std::optional<QPoint> spot = freeSpotOn(clock))
                driver::clickAt(clock, spot->x(), spot->y());
        });
    });
    check(session, QStringLiteral("the main window is back"), [&session] {
        return session.isShown(session.main()) && !session.isShown(session.clock())
            ? QString()
            : QStringLiteral("the click on the clock window has not been handled");
    });
}

} // namespace

void scriptFlood(Session &session)
{
    auto record = std::make_shared<FloodRecord>();
    session.user.act(QStringLiteral("count the characters shown"), [&session, record] {
        // Every character the reception takes is shown in txtSign; neighbours that differ
        // change its text, and random bytes mostly do.
        if (auto *sign = qobject_cast<QLineEdit *>(session.widget(session.main().txtSign)))
            QObject::connect(sign, &QLineEdit::textChanged, &session.context,
                             [record] { ++record->charactersShown; });
    });
    launchSimulatorNearNow(session, {QStringLiteral("--flood")});
    typePortAndPressStart(session);
    session.user.pause(kWarmUpMs);
    session.user.act(QStringLiteral("watch the memory"), [&session, record] {
        record->memoryBefore = residentMemoryBytes();
        record->memoryPeak = record->memoryBefore;
        session.say(QStringLiteral("Resident memory after %1 s of flood: %2 MiB")
                        .arg(kWarmUpMs / 1000)
                        .arg(mebibytes(record->memoryBefore)));
        // Sampled all the time, since a buffer that is emptied at each new attempt only shows
        // between them.
        record->sampler = std::make_unique<QTimer>();
        QObject::connect(record->sampler.get(), &QTimer::timeout, &session.context, [record] {
            record->memoryPeak = std::max(record->memoryPeak, residentMemoryBytes());
        });
        record->sampler->start(kMemorySampleMs);
    });
    for (int probe = 1; probe <= kProbes; ++probe) {
        session.user.pause(kBetweenProbesMs);
        probeResponsiveness(session, record, probe);
    }
    session.user.act(QStringLiteral("look at the memory and the characters"), [&session, record] {
        record->sampler->stop();
        session.say(QStringLiteral("Resident memory now %1 MiB, at most %2 MiB; %3 characters "
                                   "shown; %4 clicks handled, the slowest in %5 ms")
                        .arg(mebibytes(residentMemoryBytes()), mebibytes(record->memoryPeak))
                        .arg(record->charactersShown)
                        .arg(record->clicksHandled)
                        .arg(record->worstLatencyMs));
        if (record->memoryPeak - record->memoryBefore > kMemoryMarginBytes) {
            session.fail(QStringLiteral("the memory grew from %1 to %2 MiB")
                             .arg(mebibytes(record->memoryBefore), mebibytes(record->memoryPeak)));
        } else if (record->charactersShown < kLeastCharactersShown) {
            session.fail(QStringLiteral("only %1 characters reached the display: the flood "
                                        "did not get through")
                             .arg(record->charactersShown));
        }
    });
    pressExit(session);
}

} // namespace dcf::autopilot
