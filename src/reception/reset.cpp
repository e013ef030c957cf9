#include "reception/display_formats.h"
#include "reception/reception.h"

namespace dcf {

namespace {

constexpr int64_t kResetPauseMs = 1000;
/// The reset clears the pulse tables up to here; the loop writes the entries above before it
/// reads them.
constexpr int16_t kPulsTableClearedLast = 120;

/// Zero into each variable, in the order given.
template<class... Variables> void setToZero(Variables &...variables)
{
    ((variables = 0), ...);
}

} // namespace

void ResetReception(const ReceptionContext &context)
{
    Global &g = context.g;
    MainWindow &w = context.frmDCF77;

    context.events.processPendingEvents();

    setToZero(g.BitNr, g.PulsZaehler, g.PulsAktiv);
    g.PauseAktiv = 1; // so that a first "0" ends no pulse
    setToZero(g.SperreBeginn, g.SperreEnde, g.PauseGezaehlt, g.MinuteErkannt, g.ZaehlerGenullt,
              g.Fehler1, g.Fehler2, g.Fehler3, g.StartZeit, g.PulsBeginn, g.PulsEnde, g.PulsLaenge,
              g.PausenZaehler);

    w.optPuls01.setValue(false);
    w.optPuls02.setValue(false);
    for (TextBox *box : {&w.txtZähl, &w.txtZeit1, &w.txtZeit2, &w.txtDCF1, &w.txtDCF2})
        box->setText({});
    for (TextBox *box : {&w.txtFehler1, &w.txtFehler2, &w.txtFehler3}) {
        box->setText({});
        box->setBackColor(receptionColors::kCounterQuiet);
    }
    w.txtPause.setText({});
    w.txtPausZ.setText({});
    w.optPuls01.setBackColor(receptionColors::kIndicatorBack);
    w.optPuls02.setBackColor(receptionColors::kIndicatorBack);

    for (g.i = 0; g.i <= kPulsTableClearedLast; ++g.i) {
        g.PulsZeit[g.i] = 0;
        g.PulsAbstand[g.i] = 0;
    }
    for (g.i = 0; g.i <= MainWindow::kLastBit; ++g.i)
        w.chkPuls(g.i).setValue(CheckBox::Unchecked);
    for (g.i = 0; g.i <= MainWindow::kLastPanelLabel; ++g.i)
        w.lblA(g.i).setVisible(false);
    for (g.i = 0; g.i <= MainWindow::kLastBit; ++g.i) {
        w.chkPuls(g.i).setBackColor(receptionColors::kBitUnknown);
        w.chkPuls(g.i).setValue(CheckBox::Unchecked);
    }
    g.i = 1;
    g.BitNr = 1;

    context.time.sleep(kResetPauseMs);
}

} // namespace dcf
