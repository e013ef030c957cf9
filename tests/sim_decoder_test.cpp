// The simulator's telegrams read back by the program's own decoder: both sides must agree on
// every field, or one of them has the time code wrong.

#include "decoding/decoder.h"
#include "program/program.h"
#include "telegram.h"
#include "virtual_platform.h"

#include <gtest/gtest.h>

namespace dcf {
namespace {

struct Telegrams
{
    const char *sentDuring; ///< German legal time of the minute the telegram is sent in
};

class SimulatorAndDecoder : public ::testing::TestWithParam<Telegrams>
{
};

TEST_P(SimulatorAndDecoder, AgreeOnEveryField)
{
    const int64_t minute = sim::parseLegalTime(GetParam().sentDuring).utcSeconds.value();
    const sim::Telegram telegram = sim::telegramSentDuring(minute, std::nullopt, false);
    const sim::LegalTime announced = sim::legalTimeAt(minute + 60);

    testing::VirtualPlatform machine;
    Program program(machine.platform());
    program.start();
    for (int k = 0; k < 59; ++k) {
        program.frmDCF77.chkPuls(k).setValue(
            telegram.bits[static_cast<std::size_t>(k)] ? CheckBox::Checked : CheckBox::Unchecked);
    }
    DecodeTelegram(program.decodingContext());

    EXPECT_EQ(program.g.Minute, announced.minute);
    EXPECT_EQ(program.g.Stunde, announced.hour);
    EXPECT_EQ(program.g.Tag, announced.date.day);
    EXPECT_EQ(program.g.Wochentag, announced.weekday);
    EXPECT_EQ(program.g.Monat, announced.date.month);
    EXPECT_EQ(program.g.Jahr, announced.date.year % 100);
    EXPECT_EQ(program.g.Zeitzone.str(),
              announced.zone == sim::Zone::CEST ? "Sommerzeit" : "Winterzeit");
}

INSTANTIATE_TEST_SUITE_P(
    Dates, SimulatorAndDecoder,
    ::testing::Values(Telegrams {"2026-12-05 14:36:00"}, // the worked example, 14:37
                      Telegrams {"2025-07-14 09:04:00"}, // summer, Monday
                      Telegrams {"2026-03-29 01:59:00"}, // into summer time: 03:00 CEST
                      Telegrams {"2026-10-25 02:59:00 CEST"}, // back to 02:00 CET
                      Telegrams {"2099-12-31 23:58:00"}, // every tens digit at its largest
                      Telegrams {"2099-12-31 23:59:00"}, // 2100 is year 00 of the telegram
                      Telegrams {"2028-02-29 23:59:00"}, // after a leap day: 1 March
                      Telegrams {"2031-08-17 18:48:00"})); // a Sunday: weekday 7

} // namespace
} // namespace dcf
