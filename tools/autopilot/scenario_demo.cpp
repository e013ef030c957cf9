// The demo of the run command: a simulated receiver, one decoded minute, the date panel as the
// user reads it, and pictures of both windows.

#include "scenarios.h"
#include "session.h"
#include "steps.h"
#include "ui/clock_window.h"
#include "ui/main_window.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace dcf::autopilot {

namespace {

/// Saves what `window()` shows; the window is looked up when the step runs, since the clock
/// window exists only once Hide has been pressed.
void savePicture(Session &session, std::function<Window &()> window, const QString &fileName,
                 const QString &what)
{
    session.user.act(
        QStringLiteral("save a picture of ") + what, [&session, window, fileName, what] {
            if (session.hasFailed() || session.picturesDir.isEmpty())
                return;
            QWidget *surface = session.surface(window());
            const QDir dir(session.picturesDir);
            const QString path = dir.absoluteFilePath(fileName);
            if (!surface || !dir.mkpath(QStringLiteral(".")) || !surface->grab().save(path)) {
                session.fail(QStringLiteral("could not save %1").arg(path));
                return;
            }
            session.say(QStringLiteral("Picture of %1: %2").arg(what, path));
        });
}

} // namespace

void scriptDemo(Session &session)
{
    reportMinuteGaps(session);
    // A receiver of another kind is recognised first, which takes up to three marks: a receiver
    // on RxD loses them, and with them a minute gap among them.
    launchSimulatorNearNow(session, {}, session.receiverArguments.isEmpty() ? 55 : 50);
    typePortAndPressStart(session);
    awaitDecodedMinute(session);
    printPanel(session);
    savePicture(
        session, [&session]() -> Window & { return session.main(); },
        QStringLiteral("main-window.png"), QStringLiteral("the main window"));
    hideToClockWindow(session);
    savePicture(
        session, [&session]() -> Window & { return session.clock(); },
        QStringLiteral("clock-window.png"), QStringLiteral("the clock window"));
    swapBackToMainWindow(session);
    pressExit(session);
}

} // namespace dcf::autopilot
