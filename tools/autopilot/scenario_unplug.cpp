// The receiver vanishes in the middle of a reception (the simulator is killed, its terminal goes
// away): the program says so in a message box, the reception ends, and Start with a new receiver
// decodes as before.

#include "scenarios.h"
#include "session.h"
#include "steps.h"
#include "ui/main_window.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace dcf::autopilot {

namespace {

constexpr int kPulsesBeforeUnplugging = 3;
constexpr int kPulsesTimeoutMs = 30 * 1000;
constexpr int kMessageTimeoutMs = 10 * 1000;

} // namespace

void scriptUnplug(Session &session)
{
    reportMinuteGaps(session);
    launchSimulatorNearNow(session);
    typePortAndPressStart(session);
    check(
        session, QStringLiteral("the reception counts pulses"),
        [&session] {
            const int pulses = session.text(session.main().txtZähl).trimmed().toInt();
            return pulses >= kPulsesBeforeUnplugging
                ? QString()
                : QStringLiteral("%1 pulses counted so far").arg(pulses);
        },
        kPulsesTimeoutMs);
    session.user.act(QStringLiteral("unplug the receiver"), [&session] {
        session.say(QStringLiteral("Unplugging the receiver: the simulator is killed"));
        session.simulator().kill();
    });
    session.user.waitFor(
        QStringLiteral("a message box"), [] { return Session::visibleMessageBox() != nullptr; },
        kMessageTimeoutMs);
    check(session, QStringLiteral("the message names the device and says that it failed"),
          [&session] {
              const QMessageBox *box = Session::visibleMessageBox();
              if (!box)
                  return QStringLiteral("the message box has gone");
              const QString path = session.simulator().devicePath();
              if (!box->text().contains(path)
                  || !box->text().contains(QStringLiteral("ausgefallen")))
                  return QStringLiteral("the message reads: %1").arg(box->text());
              return QString();
          });
    session.user.act(QStringLiteral("close the message box with OK"), [&session] {
        QMessageBox *box = Session::visibleMessageBox();
        if (!box)
            return;
        session.say(QStringLiteral("Message box: ")
                    + box->text().replace(QLatin1Char('\n'), QLatin1Char(' ')));
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            driver::clickOn(ok);
        else
            session.fail(QStringLiteral("the message box has no OK button"));
    });
    check(session, QStringLiteral("the message box closes and the reception ends"), [&session] {
        if (Session::visibleMessageBox())
            return QStringLiteral("the message box is still open");
        if (session.startRunning)
            return QStringLiteral("the Start command is still running");
        return QString();
    });
    session.user.act(QStringLiteral("report the end of the reception"),
                     [&session] { session.say(QStringLiteral("The reception has ended")); });

    launchSimulatorNearNow(session);
    typePortAndPressStart(session);
    awaitDecodedMinute(session);
    printPanel(session);
    pressExit(session);
}

} // namespace dcf::autopilot
