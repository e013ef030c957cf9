// The program: the Qt platform services, the serial port and the two windows' logic, then the
// window system's event loop. Everything the user does starts from there.

#include "platform/qt/app_icon.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/qt_serial_port.h"
#include "platform/qt/qt_time_base.h"
#include "ui/program.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("DCF77"));
    dcf::applyApplicationLook();
    QApplication::setWindowIcon(dcf::applicationIcon());

    dcf::QtTimeBase time;
    dcf::QtEventLoop events;
    dcf::QtSerialPort serial;
    dcf::QtDesktop desktop;
    dcf::Platform platform {events, time, serial, desktop};

    dcf::Program program(platform);
    // The frame's close button ends the program like Exit, unless the program gave it a meaning.
    if (!program.frmDCF77.onCloseRequest)
        program.frmDCF77.onCloseRequest = [&program] {
            program.cmdExit_Click();
        };
    program.start();
    return QApplication::exec();
}
