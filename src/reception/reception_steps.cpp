#include "reception/reception_steps.h"

#include "reception/display_formats.h"
#include "reception/reception_context.h"

#include <cmath>
#include <limits>

namespace dcf::reception {

namespace {

constexpr double kMicrosecondsPerSecond = 1e6;

/// Seconds from the opening of the port to an arrival, to the microsecond, counted in whole
/// microseconds so that no floating-point residue enters. A pulse length is rounded to whole
/// milliseconds only after the subtraction: from two stamps truncated to whole milliseconds it
/// would be off by one whenever the two edges straddle a millisecond boundary, which depends on
/// nothing but where the edges fall within a millisecond.
double sinceStart(const Global &g, int64_t arrivalMicroseconds)
{
    const int64_t start = std::llround(g.StartZeit * kMicrosecondsPerSecond);
    return secondsOfMicroseconds(arrivalMicroseconds - start);
}

/// The arrival stamp back from a time since the opening: exact, as both are whole microseconds.
int64_t arrivalOf(const Global &g, double sinceStartSeconds)
{
    return std::llround(g.StartZeit * kMicrosecondsPerSecond)
        + std::llround(sinceStartSeconds * kMicrosecondsPerSecond);
}

/// A pulse interval, kept in single precision as it is stored.
float intervalOnMillisecondGrid(float seconds)
{
    return static_cast<float>(reception::onMillisecondGrid(static_cast<double>(seconds)));
}

void showCharacter(const ReceptionContext &context)
{
    Global &g = context.g;
    MainWindow &w = context.frmDCF77;
    w.txtSign.setBackColor(receptionColors::kCharacterBack);
    w.txtSign.setForeColor(receptionColors::kCharacterText);
    w.txtZahl.setBackColor(receptionColors::kCharacterBack);
    w.txtZahl.setForeColor(receptionColors::kCharacterText);
    w.txtSign.setText(characterText(g.Empfang));
    w.txtZahl.setText(std::to_string(g.ZeichenZaehler));
    // Stops at the top of its range: a line that never sends "0" must not wrap it negative.
    if (g.ZeichenZaehler < std::numeric_limits<int16_t>::max())
        ++g.ZeichenZaehler;
    if (g.ZeichenCode == kPulseEndCode)
        g.ZeichenZaehler = 0;
}

/// Pulse start; false when the pulse tables are full (only extra pulses get that far).
bool startPulse(const ReceptionContext &context, int64_t arrivalMicroseconds)
{
    Global &g = context.g;
    MainWindow &w = context.frmDCF77;
    w.optPuls01.setForeColor(receptionColors::kPulseActiveText);
    w.optPuls01.setValue(true);
    g.PulsZaehler += 1;
    w.txtZähl.setText(countFormat(g.PulsZaehler));
    g.PulsAktiv = 1;
    g.PauseAktiv = 0;
    g.SperreBeginn = 0;
    g.PauseGezaehlt = 0;
    g.PulsBeginn = sinceStart(g, arrivalMicroseconds);
    w.txtZeit1.setText(secondsFormat(g.PulsBeginn, context.desktop.decimalSeparator()));
    if (context.marks)
        context.marks->markBegan(arrivalMicroseconds);
    if (g.i < 1 || g.i >= Global::kPulsTableLast)
        return false;
    ++g.i;
    if (g.MinuteErkannt == 1)
        ++g.BitNr;
    g.PulsZeit[g.i] = static_cast<float>(g.PulsBeginn);
    g.PulsAbstand[g.i] = intervalOnMillisecondGrid(g.PulsZeit[g.i] - g.PulsZeit[g.i - 1]);
    return true;
}

void endPulse(const ReceptionContext &context, int64_t arrivalMicroseconds)
{
    Global &g = context.g;
    MainWindow &w = context.frmDCF77;
    w.optPuls01.setForeColor(receptionColors::kPulseIdleText);
    w.optPuls01.setValue(false);
    g.PulsAktiv = 0;
    g.PauseAktiv = 1;
    g.SperreEnde = 0;
    g.PulsEnde = sinceStart(g, arrivalMicroseconds);
    g.PulsLaenge = onMillisecondGrid(g.PulsEnde - g.PulsBeginn);
    w.txtZeit2.setText(secondsFormat(g.PulsLaenge, context.desktop.decimalSeparator()));
    if (context.marks)
        context.marks->markMeasured(
            {arrivalOf(g, g.PulsBeginn), arrivalMicroseconds, g.PulsLaenge});
}

/// Writes the class of the latest pulse into the bit position, once a minute gap was found.
void storeBit(const ReceptionContext &context, CheckBox::State state, Color background)
{
    const Global &g = context.g;
    if (g.MinuteErkannt != 1 || g.BitNr >= 60)
        return;
    CheckBox &bit = context.frmDCF77.chkPuls(g.BitNr - 1);
    bit.setValue(state);
    bit.setBackColor(background);
}

/// An error counter that has counted: its number on the alarm colour.
void showAlarm(TextBox &field, int16_t count)
{
    field.setText(countFormat(count));
    field.setBackColor(receptionColors::kCounterAlarm);
}

/// A pulse too short or too long counts once; the locks keep its further steps from counting it
/// again.
void countFaultyPulse(Global &g, int16_t &counter, TextBox &field)
{
    counter += 1;
    showAlarm(field, counter);
    g.SperreBeginn = 1;
    g.SperreEnde = 1;
}

void classify(const ReceptionContext &context)
{
    Global &g = context.g;
    MainWindow &w = context.frmDCF77;
    const std::string separator = context.desktop.decimalSeparator();
    const double d = g.PulsLaenge;

    if (0 < d && d < kClassSplit) {
        w.txtDCF1.setText(secondsFormat(d, separator));
        w.txtDCF2.setText({});
        w.chk100.setValue(CheckBox::Checked);
        w.chk200.setValue(CheckBox::Unchecked);
        storeBit(context, CheckBox::Unchecked, receptionColors::kBitZero);
    }
    if (kClassSplit < d && d < kLongPulseLimit) {
        w.txtDCF2.setText(secondsFormat(d, separator));
        w.txtDCF1.setText({});
        w.chk100.setValue(CheckBox::Unchecked);
        w.chk200.setValue(CheckBox::Checked);
        storeBit(context, CheckBox::Checked, receptionColors::kBitOne);
    }
    if (0 < d && d < kShortPulseLimit && g.SperreBeginn == 0 && g.SperreEnde == 0)
        countFaultyPulse(g, g.Fehler1, w.txtFehler1);
    if (d > kLongPulseLimit && g.SperreBeginn == 0 && g.SperreEnde == 0)
        countFaultyPulse(g, g.Fehler2, w.txtFehler2);
    const float interval = g.PulsAbstand[g.i];
    if (kMinuteGapShortest < interval && interval < kMinuteGapLongest && g.PauseGezaehlt == 0) {
        w.txtPause.setText(secondsFormat(interval, separator));
        g.PausenZaehler += 1;
        w.txtPausZ.setText(countFormat(g.PausenZaehler));
        g.PauseGezaehlt = 1;
        g.MinuteErkannt = 1;
    }
}

} // namespace

double secondsOfMicroseconds(int64_t microseconds)
{
    return static_cast<double>(microseconds) / kMicrosecondsPerSecond;
}

double onMillisecondGrid(double seconds)
{
    return std::round(seconds * 1000.0) / 1000.0;
}

Outcome characterStep(const ReceptionContext &context, int64_t arrivalMicroseconds)
{
    Global &g = context.g;
    showCharacter(context);

    if (g.ZeichenCode == kPulseEndCode)
        g.Flanke = kPulseEnd;
    else if (g.ZeichenCode == kPulseStartCode)
        g.Flanke = kPulseStart;

    // The count of the minute starts after the pulse that found the first gap.
    if (g.PausenZaehler == 1 && g.ZaehlerGenullt == 0) {
        g.PulsZaehler = 0;
        g.ZaehlerGenullt = 1;
    }
    if (g.Flanke == kPulseStart && g.PulsAktiv == 0 && !startPulse(context, arrivalMicroseconds))
        return Outcome::NewAttempt;
    if (g.Flanke == kPulseEnd && g.PauseAktiv == 0)
        endPulse(context, arrivalMicroseconds);
    classify(context);
    return Outcome::WaitForNext;
}

Outcome endChecks(const ReceptionContext &context)
{
    Global &g = context.g;
    // Too many pulses fail like too few: decoding them would show a minute long past as the time.
    const bool wrongCount
        = g.PulsZaehler < kPulsesForMinute || g.PulsZaehler > kMostPulsesForMinute;
    if (wrongCount && g.PausenZaehler == kGapsForMinute) {
        g.Fehler3 = 1;
        showAlarm(context.frmDCF77.txtFehler3, g.Fehler3);
        context.time.sleep(kTooFewPulsesPauseMs);
        return Outcome::NewAttempt;
    }
    if (g.PulsZaehler == kPulsesForMinute && g.PausenZaehler == kGapsForMinute) {
        context.events.processPendingEvents();
        context.time.sleep(kShortMinutePauseMs);
        return Outcome::End;
    }
    if (g.PulsBeginn > kTimeOut && g.Flanke == kPulseEnd)
        return Outcome::End;
    if (g.PausenZaehler == kGapsForMinute)
        return Outcome::End;
    return Outcome::WaitForNext;
}

} // namespace dcf::reception
