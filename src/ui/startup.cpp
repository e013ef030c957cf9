#include "ui/startup.h"

#include "ui/placement.h"
#include "ui/program.h"

namespace dcf {

void Form_Load(Program &program)
{
    MainWindow &window = program.frmDCF77;
    Global &g = program.g;

    // The date panel stays hidden until a telegram has been decoded. The shared counter is left
    // at one past the last member.
    for (g.i = 0; g.i <= 20; ++g.i)
        window.lblA(g.i).setVisible(false);

    // Writing the fields moves the window through their change reactions.
    const Desktop &desktop = program.platform.desktop;
    const double left
        = centredPosition(desktop.screenWidth(), window.width(), window.HScroll1.value());
    window.txtLeft.setText(numberToText(clampToCoordinate(left)));
    const double top
        = centredPosition(desktop.screenHeight(), window.height(), window.VScroll1.value());
    window.txtTop.setText(numberToText(clampToCoordinate(top)));
}

} // namespace dcf
