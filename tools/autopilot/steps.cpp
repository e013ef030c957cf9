#include "steps.h"

#include "session.h"
#include "ui/clock_window.h"
#include "ui/main_window.h"

#include <QDateTime>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>

namespace dcf::autopilot {

namespace {

/// Steps of a failed session do nothing: the program is ending already.
void act(Session &session, const QString &what, std::function<void()> action)
{
    session.user.act(what, [&session, action = std::move(action)] {
        if (!session.hasFailed())
            action();
    });
}

QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString fromStd(const std::string &text)
{
    return QString::fromStdString(text);
}

QString bitDigits(const std::function<bool(int)> &bit)
{
    QString digits;
    for (int k = 0; k <= sim::kDateParityBit; ++k)
        digits += bit(k) ? QLatin1Char('1') : QLatin1Char('0');
    return digits;
}

QString bitRowMismatch(Session &session)
{
    if (!session.expected)
        return QStringLiteral("no decode was seen");
    const sim::Telegram &sent = session.expected->telegram;
    const QString shown
        = bitDigits([&](int k) { return session.isChecked(session.main().chkPuls(k)); });
    const QString expected
        = bitDigits([&](int k) { return sent.bits.at(static_cast<std::size_t>(k)); });
    if (shown == expected)
        return {};
    QStringList differing;
    for (int k = 0; k < shown.size(); ++k) {
        if (shown.at(k) != expected.at(k))
            differing << QString::number(k);
    }
    return QStringLiteral("chkPuls shows %1\n  the simulator sent %2\n  differing bits: %3")
        .arg(shown, expected, differing.join(QStringLiteral(", ")));
}

/// The clock window's value labels and the panel labels that must show the same.
struct SameText
{
    int clockLabel;
    int panelLabel;
};
constexpr SameText kClockMatchesPanel[] = {
    {ClockWindow::kWeekdayLabel, MainWindow::kWeekdayLabel},
    {ClockWindow::kDayLabel, MainWindow::kDayLabel},
    {ClockWindow::kMonthLabel, MainWindow::kNumericMonthLabel},
    {ClockWindow::kYearLabel, MainWindow::kNumericYearLabel},
    {ClockWindow::kHourLabel, MainWindow::kHourLabel},
    {ClockWindow::kMinuteLabel, MainWindow::kMinuteLabel},
};

QString clockWindowMismatch(Session &session)
{
    QStringList wrong;
    for (int index = 0; index < session.clock().lblB.size(); ++index) {
        if (!session.isShown(session.clock().lblB(index)))
            wrong << QStringLiteral("lblB(%1) is not shown").arg(index);
    }
    for (const SameText &pair : kClockMatchesPanel) {
        const QString onClock = session.caption(session.clock().lblB(pair.clockLabel));
        const QString onPanel = session.caption(session.main().lblA(pair.panelLabel));
        if (onClock != onPanel) {
            wrong << QStringLiteral("lblB(%1) shows %2, the panel's lblA(%3) %4")
                         .arg(pair.clockLabel)
                         .arg(quoted(onClock))
                         .arg(pair.panelLabel)
                         .arg(quoted(onPanel));
        }
    }
    const QString clockSeconds
        = session.secondsShown(session.clock().lblB(ClockWindow::kSecondsLabel));
    const QString panelSeconds
        = session.secondsShown(session.main().lblA(MainWindow::kSecondsLabel));
    if (clockSeconds != panelSeconds || clockSeconds.isEmpty()) {
        wrong << QStringLiteral("the clock window's seconds %1 differ from the panel's %2")
                     .arg(quoted(clockSeconds), quoted(panelSeconds));
    }
    return wrong.join(QStringLiteral("\n  "));
}

QString decodedSummary(Session &session)
{
    const auto label = [&](int index) {
        return session.caption(session.main().lblA(index)).trimmed();
    };
    return QStringLiteral("%1 %2.%3.%4 %5:%6 %7")
        .arg(label(MainWindow::kWeekdayLabel), label(MainWindow::kNumericDayLabel),
             label(MainWindow::kNumericMonthLabel), label(MainWindow::kNumericYearLabel),
             label(MainWindow::kHourLabel), label(MainWindow::kMinuteLabel),
             label(MainWindow::kZoneLabel));
}

} // namespace

QString panelMismatch(Session &session, bool withTime)
{
    if (!session.expected)
        return QStringLiteral("no decode was seen");
    QStringList wrong;
    for (const auto &[index, wanted] : expectedPanelValues(session.expected->legal)) {
        if (!withTime && (index == MainWindow::kHourLabel || index == MainWindow::kMinuteLabel))
            continue;
        const QString shown = session.caption(session.main().lblA(index));
        if (shown != fromStd(wanted)) {
            wrong << QStringLiteral("lblA(%1) shows %2, expected %3")
                         .arg(index)
                         .arg(quoted(shown), quoted(fromStd(wanted)));
        }
    }
    return wrong.join(QStringLiteral("\n  "));
}

void check(Session &session, const QString &what, std::function<QString()> mismatch, int timeoutMs)
{
    session.user.waitFor(
        what,
        [&session, mismatch = std::move(mismatch)] {
            session.mismatch = session.hasFailed() ? QString() : mismatch();
            return session.mismatch.isEmpty();
        },
        timeoutMs);
}

void launchSimulator(Session &session, int64_t startUtc, QStringList extraArguments)
{
    act(session, QStringLiteral("start the simulator"),
        [&session, startUtc, extraArguments] { session.startSimulator(startUtc, extraArguments); });
}

void launchSimulatorNearNow(Session &session, QStringList extraArguments, int secondOfMinute)
{
    act(session, QStringLiteral("start the simulator"), [&session, extraArguments, secondOfMinute] {
        session.startSimulator(
            startJustBeforeMinuteMark(QDateTime::currentMSecsSinceEpoch(), secondOfMinute),
            extraArguments);
    });
}

void typePortAndPressStart(Session &session)
{
    act(session, QStringLiteral("type the device path into \"ComPort No.\""), [&session] {
        const QString path = session.portPath();
        session.say(QStringLiteral("Typing %1 into \"ComPort No.\"").arg(path));
        if (QWidget *field = session.widget(session.main().txtComPort))
            driver::typeInto(field, path);
    });
    check(session, QStringLiteral("\"ComPort No.\" shows the device path"), [&session] {
        const QString shown = session.text(session.main().txtComPort);
        const QString path = session.portPath();
        return shown == path ? QString()
                             : QStringLiteral("it shows %1, typed was %2").arg(quoted(shown), path);
    });
    session.user.actLongRunning(QStringLiteral("press Start"), [&session] {
        if (session.hasFailed())
            return;
        session.say(QStringLiteral("Start pressed; waiting for the minute gap"));
        QWidget *start = session.widget(session.main().cmdStart);
        if (!start)
            return;
        session.startRunning = true;
        driver::clickOn(start);
        session.startRunning = false;
    });
}

void reportMinuteGaps(Session &session)
{
    act(session, QStringLiteral("watch the minute gaps"), [&session] {
        auto *gaps = qobject_cast<QLineEdit *>(session.widget(session.main().txtPausZ));
        if (!gaps)
            return;
        QObject::connect(gaps, &QLineEdit::textChanged, &session.context,
                         [&session](const QString &count) {
                             if (count.trimmed().isEmpty())
                                 return;
                             session.say(QStringLiteral("Minute gap %1 found (pause of %2 s)")
                                             .arg(count.trimmed(),
                                                  session.text(session.main().txtPause).trimmed()));
                         });
    });
}

void awaitDecodedMinute(Session &session, int timeoutMs)
{
    session.user.waitFor(
        QStringLiteral("the decoded minute (the date panel revealed)"),
        [&session] {
            if (!session.panelShown())
                return false;
            session.decodedAtMs = QDateTime::currentMSecsSinceEpoch();
            return true;
        },
        timeoutMs);
    act(session, QStringLiteral("work out the minute the simulator sent"), [&session] {
        const int64_t minute
            = session.timeline().nearestMinuteAt(QDateTime::currentMSecsSinceEpoch());
        session.expected = expectedDecodeAt(minute);
        session.say(QStringLiteral("decoded: %1 (the simulator sent %2)")
                        .arg(decodedSummary(session),
                             fromStd(sim::formatLegalTime(session.expected->legal, false))));
    });
    check(session, QStringLiteral("the bit row chkPuls(0..58) equals the telegram sent"),
          [&session] { return bitRowMismatch(session); });
    check(session, QStringLiteral("the panel shows the time and date the simulator sent"),
          [&session] { return panelMismatch(session); });
}

void printPanel(Session &session)
{
    act(session, QStringLiteral("read the date panel"), [&session] {
        session.say(QStringLiteral("The date panel reads:"));
        for (const std::string &row : session.panelRows())
            session.show(fromStd(row));
    });
}

void hideToClockWindow(Session &session)
{
    act(session, QStringLiteral("press Hide"), [&session] {
        session.say(QStringLiteral("Hide pressed"));
        if (QWidget *hide = session.widget(session.main().cmdHide))
            driver::clickOn(hide);
    });
    check(session,
          QStringLiteral("the clock window replaces the main window at the top-left corner"),
          [&session] {
              QWidget *clock = session.surface(session.clock());
              if (!clock || !clock->isVisible())
                  return QStringLiteral("the clock window is not shown");
              if (session.isShown(session.main()))
                  return QStringLiteral("the main window is still shown");
              const QPoint corner = clock->screen()->geometry().topLeft();
              const QPoint at = clock->frameGeometry().topLeft();
              if (at != corner) {
                  return QStringLiteral("the clock window stands at %1,%2, not at %3,%4")
                      .arg(at.x())
                      .arg(at.y())
                      .arg(corner.x())
                      .arg(corner.y());
              }
              return QString();
          });
    check(session, QStringLiteral("the clock window shows the panel's date and time"),
          [&session] { return clockWindowMismatch(session); });
}

void swapBackToMainWindow(Session &session)
{
    act(session, QStringLiteral("click the clock window's background"), [&session] {
        QWidget *clock = session.surface(session.clock());
        const std::optional<QPoint> spot = freeSpotOn(clock);
        if (!spot) {
            session.fail(QStringLiteral("the clock window has no free spot to click"));
            return;
        }
        session.say(QStringLiteral("Click on the clock window's background"));
        driver::clickAt(clock, spot->x(), spot->y());
    });
    check(session, QStringLiteral("the main window comes back in place of the clock window"),
          [&session] {
              if (!session.isShown(session.main()))
                  return QStringLiteral("the main window is not shown");
              if (session.isShown(session.clock()))
                  return QStringLiteral("the clock window is still shown");
              return QString();
          });
}

void pressExit(Session &session)
{
    act(session, QStringLiteral("press Exit"), [&session] {
        QWidget *exit = session.widget(session.main().cmdExit);
        if (!exit)
            return;
        session.say(QStringLiteral("Exit pressed"));
        session.exitPressedAtMs = QDateTime::currentMSecsSinceEpoch();
        driver::clickOn(exit);
    });
}

std::optional<QPoint> freeSpotOn(QWidget *surface)
{
    if (!surface)
        return std::nullopt;
    constexpr int kStep = 4;
    constexpr int kMargin = 2;
    for (int y = kMargin; y < surface->height() - kMargin; y += kStep) {
        for (int x = kMargin; x < surface->width() - kMargin; x += kStep) {
            if (!surface->childAt(x, y))
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

} // namespace dcf::autopilot
