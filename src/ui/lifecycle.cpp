#include "ui/lifecycle.h"

#include "ui/number_text.h"
#include "ui/placement.h"

namespace dcf {

void Form_Load(Global &g, MainWindow &frmDCF77, const Desktop &desktop)
{
    for (g.i = 0; g.i <= MainWindow::kLastPanelLabel; ++g.i)
        frmDCF77.lblA(g.i).setVisible(false);

    // Writing the fields moves the window through their change reactions.
    const double left
        = centredPosition(desktop.screenWidth(), frmDCF77.width(), frmDCF77.HScroll1.value());
    frmDCF77.txtLeft.setText(numberToText(clampToCoordinate(left)));
    const double top
        = centredPosition(desktop.screenHeight(), frmDCF77.height(), frmDCF77.VScroll1.value());
    frmDCF77.txtTop.setText(numberToText(clampToCoordinate(top)));
}

void cmdExit_Click(MainWindow &frmDCF77, Window *frmZeit, Desktop &desktop)
{
    frmDCF77.close();
    if (frmZeit)
        frmZeit->close();
    desktop.quit();
}

} // namespace dcf
