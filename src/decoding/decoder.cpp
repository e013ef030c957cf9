#include "decoding/decoder.h"

#include "decoding/date_texts.h"
#include "ui/panel_formats.h"

#include <initializer_list>

namespace dcf {

namespace {

constexpr int kSummerTimeBit = 17;
constexpr int kWinterTimeBit = 18;
constexpr int kFirstMinuteBit = 21;
constexpr int kFirstHourBit = 29;
constexpr int kFirstDayBit = 36;
constexpr int kFirstWeekdayBit = 42;
constexpr int kFirstMonthBit = 45;
constexpr int kFirstYearBit = 50;
constexpr int kCentury = 2000;

/// Only a ticked box is a 1; the grey third state counts as 0.
bool bitSet(const MainWindow &window, int bit)
{
    return window.chkPuls(bit).value() == CheckBox::Checked;
}

/// Plain sum of the weights of the set bits from `firstBit` on: no digit is checked for range, so
/// a field can hold any value up to the sum of all its weights.
int16_t fieldValue(const MainWindow &window, int firstBit, std::initializer_list<int16_t> weights)
{
    int16_t value = 0;
    int bit = firstBit;
    for (const int16_t weight : weights) {
        if (bitSet(window, bit))
            value = static_cast<int16_t>(value + weight);
        ++bit;
    }
    return value;
}

} // namespace

void DecodeTelegram(const DecodingContext &context)
{
    Global &g = context.g;
    MainWindow &window = context.frmDCF77;
    auto clockLabel = [&context](int index) -> Label & {
        return context.frmZeit().lblB(index);
    };

    context.events.processPendingEvents();

    // The zone word is not cleared: a telegram without either bit keeps the previous one.
    if (bitSet(window, kSummerTimeBit))
        g.Zeitzone = "Sommerzeit";
    if (bitSet(window, kWinterTimeBit))
        g.Zeitzone = "Winterzeit";
    window.lblA(MainWindow::kZoneLabel).setCaption(g.Zeitzone.str());

    // A weekday or month outside the calendar leaves its name field blank.
    g.Wochentag = fieldValue(window, kFirstWeekdayBit, {1, 2, 4});
    g.Wochentagsname = weekdayName(g.Wochentag);
    window.lblA(MainWindow::kWeekdayLabel).setCaption(g.Wochentagsname.str());
    clockLabel(ClockWindow::kWeekdayLabel).setCaption(g.Wochentagsname.str());

    g.Tag = fieldValue(window, kFirstDayBit, {1, 2, 4, 8, 10, 20});
    window.lblA(MainWindow::kDayLabel).setCaption(twoDigits(g.Tag));
    window.lblA(MainWindow::kNumericDayLabel).setCaption(twoDigits(g.Tag));
    clockLabel(ClockWindow::kDayLabel).setCaption(twoDigits(g.Tag));

    g.Monat = fieldValue(window, kFirstMonthBit, {1, 2, 4, 8, 10});
    g.Monatsname = monthName(g.Monat);
    window.lblA(MainWindow::kNumericMonthLabel).setCaption(twoDigits(g.Monat));
    window.lblA(MainWindow::kMonthNameLabel).setCaption(g.Monatsname.str());
    clockLabel(ClockWindow::kMonthLabel).setCaption(twoDigits(g.Monat));

    g.Jahr = fieldValue(window, kFirstYearBit, {1, 2, 4, 8, 10, 20, 40, 80});
    const std::string year = fourDigits(kCentury + g.Jahr);
    window.lblA(MainWindow::kYearLabel).setCaption(year);
    window.lblA(MainWindow::kNumericYearLabel).setCaption(year);
    clockLabel(ClockWindow::kYearLabel).setCaption(year);

    g.Stunde = fieldValue(window, kFirstHourBit, {1, 2, 4, 8, 10, 20});
    window.lblA(MainWindow::kHourLabel).setCaption(twoDigits(g.Stunde));
    clockLabel(ClockWindow::kHourLabel).setCaption(twoDigits(g.Stunde));

    g.Minute = fieldValue(window, kFirstMinuteBit, {1, 2, 4, 8, 10, 20, 40});
    window.lblA(MainWindow::kMinuteLabel).setCaption(twoDigits(g.Minute));
    clockLabel(ClockWindow::kMinuteLabel).setCaption(twoDigits(g.Minute));
    window.lblA(MainWindow::kSecondsLabel).setCaption("00");

    // The shared counter is safe here: no reaction that can run during these yields touches it,
    // so the whole panel ends up visible whatever the user does meanwhile.
    for (g.i = 0; g.i <= MainWindow::kLastPanelLabel; ++g.i) {
        context.events.processPendingEvents();
        window.lblA(g.i).setVisible(true);
    }
}

} // namespace dcf
