// From Start to Exit with every stage checked: the bit row, the date panel, a running clock that
// passes a minute mark, the clock window, and the end of the process.

#include "scenarios.h"
#include "session.h"
#include "steps.h"
#include "ui/main_window.h"

#include <QDateTime>
#include <cstdlib>
#include <memory>

namespace dcf::autopilot {

namespace {

/// The last minutes of a year: the decode shows 23:59 and the running clock then wraps both the
/// minute and the hour, while the date stays as decoded.
constexpr const char *kDefaultStart = "2026-12-31 23:57:55";
/// The clock's first minute lasts 60 s; the checks see it once a second.
constexpr qint64 kMinuteMs = 60 * 1000;
constexpr qint64 kMinuteToleranceMs = 2500;
constexpr int kRolloverTimeoutMs = 70 * 1000;
constexpr int kMinutesPerDay = 24 * 60;

} // namespace

void scriptFull(Session &session)
{
    const int64_t start = sim::utcOf(kDefaultStart);
    auto firstSeconds = std::make_shared<QString>();

    reportMinuteGaps(session);
    launchSimulator(session, start);
    typePortAndPressStart(session);
    awaitDecodedMinute(session);
    printPanel(session);

    session.user.act(QStringLiteral("note the running clock's seconds"), [&session, firstSeconds] {
        *firstSeconds = session.secondsShown(session.main().lblA(MainWindow::kSecondsLabel));
    });
    check(session, QStringLiteral("the running clock's seconds advance"), [&session, firstSeconds] {
        const QString seconds
            = session.secondsShown(session.main().lblA(MainWindow::kSecondsLabel));
        return seconds != *firstSeconds && !seconds.isEmpty()
            ? QString()
            : QStringLiteral("lblA(20) still shows \"%1\"").arg(seconds);
    });
    check(
        session, QStringLiteral("the minute rolls over once, a minute after the decode"),
        [&session] {
            const sim::LegalTime &decoded = session.expected->legal;
            const int next = (decoded.hour * 60 + decoded.minute + 1) % kMinutesPerDay;
            const QString hour = session.caption(session.main().lblA(MainWindow::kHourLabel));
            const QString minute = session.caption(session.main().lblA(MainWindow::kMinuteLabel));
            if (hour != QString::fromStdString(twoDigits(next / 60))
                || minute != QString::fromStdString(twoDigits(next % 60))) {
                return QStringLiteral("the clock shows %1:%2").arg(hour, minute);
            }
            const qint64 took = QDateTime::currentMSecsSinceEpoch() - session.decodedAtMs;
            if (std::abs(took - kMinuteMs) > kMinuteToleranceMs)
                session.fail(QStringLiteral("the first minute of the clock took %1 ms").arg(took));
            else
                session.say(QStringLiteral("The clock shows %1:%2, %3 s after the decode")
                                .arg(hour, minute)
                                .arg(took / 1000.0, 0, 'f', 1));
            return QString();
        },
        kRolloverTimeoutMs);
    check(session, QStringLiteral("the date stays as decoded"),
          [&session] { return panelMismatch(session, false); });
    hideToClockWindow(session);
    swapBackToMainWindow(session);
    pressExit(session);
}

} // namespace dcf::autopilot
