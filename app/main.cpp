// The program: the Qt platform services, the serial port and the two windows' logic, then the
// window system's event loop. Everything the user does starts from there.

#include "app/qt_program.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    dcf::prepareApplication();

    dcf::QtProgram qt;
    qt.program.start();
    return QApplication::exec();
}
