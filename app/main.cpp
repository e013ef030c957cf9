// The program: the command line, the display, the Qt platform services, the serial port and the
// two windows' logic, then the window system's event loop. Everything the user does starts from
// there.

#include "app/display_choice.h"
#include "app/program_options.h"
#include "app/qt_program.h"
#include "app/termination_signals.h"
#include "platform/qt/reaction_guard.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler qtsOwnHandler = nullptr;

/// While Qt starts, its one fatal error is a display that it cannot reach: said in a line, and
/// the program ends with a status instead of aborting with a core.
void reportUnreachableDisplay(QtMsgType type, const QMessageLogContext &context,
                              const QString &message)
{
    if (type != QtFatalMsg) {
        qtsOwnHandler(type, context, message);
        return;
    }
    const char *display = std::getenv("DISPLAY");
    std::fprintf(stderr,
                 "dcf77: cannot reach the display%s%s; start it in a desktop session, or without "
                 "a display as QT_QPA_PLATFORM=offscreen dcf77\n",
                 display ? " DISPLAY=" : "", display ? display : "");
    std::_Exit(EXIT_FAILURE);
}

} // namespace

int main(int argc, char **argv)
{
    const dcf::CommandLine line = dcf::readCommandLine({argv, argv + argc});
    if (!line.run) {
        std::fputs(line.output.c_str(), stdout);
        std::fputs(line.error.c_str(), stderr);
        return line.exitStatus;
    }
    const dcf::DisplayChoice display = dcf::chooseDisplay(&std::getenv, line.platformOption);
    if (!display.usable) {
        std::fputs(display.problem.c_str(), stderr);
        return EXIT_FAILURE;
    }
    if (display.platform)
        setenv("QT_QPA_PLATFORM", display.platform->c_str(), 1);

    // QApplication keeps argc and argv for its lifetime and removes what it understands.
    std::vector<char *> qtArgv {argv[0]};
    std::vector<std::string> qtArguments = line.qtArguments;
    for (std::string &argument : qtArguments)
        qtArgv.push_back(argument.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArgv.size()) - 1;

    qtsOwnHandler = qInstallMessageHandler(reportUnreachableDisplay);
    QApplication app(qtArgc, qtArgv.data());
    qInstallMessageHandler(qtsOwnHandler);
    dcf::prepareApplication();
    // Wayland desktops find the menu entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(DCF77_APP_ID));

    dcf::QtProgram qt(line.options);
    std::fprintf(stderr, "%s\n",
                 dcf::readerSchedulingLine(qt.serial.service().scheduling()).c_str());
    // A termination signal is the Exit command: also from inside a running reception or clock,
    // and the program ends with status 0.
    const dcf::TerminationSignals termination(
        [&qt] { dcf::runGuarded([&qt] { qt.program.exit(); }); });
    qt.program.start();
    return QApplication::exec();
}
