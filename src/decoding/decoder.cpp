#include "decoding/decoder.h"

#include "clock/clock_window.h"
#include "decoding/date_texts.h"
#include "ui/program.h"

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
constexpr int kLastPanelLabel = 20;

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

void DecodeTelegram(Program &program)
{
    Global &g = program.g;
    MainWindow &window = program.frmDCF77;
    auto clockLabel = [&program](int index) -> Label & {
        return program.frmZeit().lblB(index);
    };

    program.processEvents();

    // The zone word is not cleared: a telegram without either bit keeps the previous one.
    if (bitSet(window, kSummerTimeBit))
        g.Zeitzone = "Sommerzeit";
    if (bitSet(window, kWinterTimeBit))
        g.Zeitzone = "Winterzeit";
    window.lblA(2).setCaption(g.Zeitzone.str());

    // A weekday or month outside the calendar leaves its name field blank.
    g.Wochentag = fieldValue(window, kFirstWeekdayBit, {1, 2, 4});
    g.Wochentagsname = weekdayName(g.Wochentag);
    window.lblA(3).setCaption(g.Wochentagsname.str());
    clockLabel(1).setCaption(g.Wochentagsname.str());

    g.Tag = fieldValue(window, kFirstDayBit, {1, 2, 4, 8, 10, 20});
    window.lblA(5).setCaption(twoDigits(g.Tag));
    window.lblA(11).setCaption(twoDigits(g.Tag));
    clockLabel(3).setCaption(twoDigits(g.Tag));

    g.Monat = fieldValue(window, kFirstMonthBit, {1, 2, 4, 8, 10});
    g.Monatsname = monthName(g.Monat);
    window.lblA(13).setCaption(twoDigits(g.Monat));
    window.lblA(7).setCaption(g.Monatsname.str());
    clockLabel(5).setCaption(twoDigits(g.Monat));

    g.Jahr = fieldValue(window, kFirstYearBit, {1, 2, 4, 8, 10, 20, 40, 80});
    const std::string year = fourDigits(kCentury + g.Jahr);
    window.lblA(8).setCaption(year);
    window.lblA(15).setCaption(year);
    clockLabel(7).setCaption(year);

    g.Stunde = fieldValue(window, kFirstHourBit, {1, 2, 4, 8, 10, 20});
    window.lblA(16).setCaption(twoDigits(g.Stunde));
    clockLabel(8).setCaption(twoDigits(g.Stunde));

    g.Minute = fieldValue(window, kFirstMinuteBit, {1, 2, 4, 8, 10, 20, 40});
    window.lblA(18).setCaption(twoDigits(g.Minute));
    clockLabel(10).setCaption(twoDigits(g.Minute));
    window.lblA(20).setCaption("00");

    // The shared counter is safe here: no reaction that can run during these yields touches it,
    // so the whole panel ends up visible whatever the user does meanwhile.
    for (g.i = 0; g.i <= kLastPanelLabel; ++g.i) {
        program.processEvents();
        window.lblA(g.i).setVisible(true);
    }
}

} // namespace dcf
