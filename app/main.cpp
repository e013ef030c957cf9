// The program: the Qt platform services, the serial port and the two windows' logic, then the
// window system's event loop. Everything the user does starts from there.

#include "app/qt_program.h"
#include "app/termination_signals.h"
#include "platform/qt/reaction_guard.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    dcf::prepareApplication();
    // Wayland desktops find the menu entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(DCF77_APP_ID));

    dcf::QtProgram qt;
    // A termination signal is the Exit command: also from inside a running reception or clock,
    // and the program ends with status 0.
    const dcf::TerminationSignals termination(
        [&qt] { dcf::runGuarded([&qt] { qt.program.exit(); }); });
    qt.program.start();
    return QApplication::exec();
}
