// The reception's rule-like parts: display formats, port texts and line settings.

#include "reception/display_formats.h"
#include "reception/line_settings.h"
#include "reception/port_name.h"

#include <gtest/gtest.h>
#include <optional>

namespace dcf {
namespace {

struct CountCase
{
    double count;
    const char *shown;
};

class ReceptionCountFormat : public ::testing::TestWithParam<CountCase>
{
};

TEST_P(ReceptionCountFormat, RightAlignsWholeNumbersInEightCharacters)
{
    EXPECT_EQ(countFormat(GetParam().count), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Counts, ReceptionCountFormat,
                         ::testing::Values(CountCase {0, "       0"}, CountCase {1, "       1"},
                                           CountCase {59, "      59"},
                                           CountCase {32767, "   32767"},
                                           CountCase {12345678, "12345678"},
                                           CountCase {123456789, "123456789"}));

struct SecondsCase
{
    double seconds;
    const char *separator;
    const char *shown;
};

class ReceptionSecondsFormat : public ::testing::TestWithParam<SecondsCase>
{
};

TEST_P(ReceptionSecondsFormat, ThreeDecimalsWithTheUsersSeparator)
{
    EXPECT_EQ(secondsFormat(GetParam().seconds, GetParam().separator), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Seconds, ReceptionSecondsFormat,
    ::testing::Values(SecondsCase {0, ".", "   0.000"}, SecondsCase {0.1, ".", "   0.100"},
                      SecondsCase {0.1, ",", "   0,100"}, SecondsCase {2.0, ",", "   2,000"},
                      SecondsCase {0.9996, ".", "   1.000"}, SecondsCase {0.0004, ".", "   0.000"},
                      SecondsCase {121.5, ".", " 121.500"},
                      SecondsCase {1234.5678, ".", "1234.568"},
                      SecondsCase {12345.678, ".", "12345.678"},
                      // A separator of more than one byte still counts as one character.
                      SecondsCase {0.25, "\u066B", "   0\u066B250"}));

TEST(ReceptionCharacterText, ShowsHighBytesAsTheirLatin1Characters)
{
    EXPECT_EQ(characterText("1"), "1");
    EXPECT_EQ(characterText("\r"), "\r");
    EXPECT_EQ(characterText("\xB0"), "\u00B0");
    EXPECT_EQ(characterText("\xFF"), "\u00FF");
}

struct PortCase
{
    const char *text;
    std::optional<std::string> onWindows;
    std::optional<std::string> elsewhere;
};

class ReceptionPortText : public ::testing::TestWithParam<PortCase>
{
};

TEST_P(ReceptionPortText, NamesTheDevice)
{
    EXPECT_EQ(serialDeviceForPortText(GetParam().text, DeviceNaming::Windows),
              GetParam().onWindows);
    EXPECT_EQ(serialDeviceForPortText(GetParam().text, DeviceNaming::Posix), GetParam().elsewhere);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReceptionPortText,
    ::testing::Values(
        PortCase {"1", "COM1", "/dev/ttyS0"}, PortCase {" 3\t", "COM3", "/dev/ttyS2"},
        PortCase {"007", "COM7", "/dev/ttyS6"}, PortCase {"32767", "COM32767", "/dev/ttyS32766"},
        PortCase {"/dev/ttyUSB0", std::nullopt, "/dev/ttyUSB0"},
        PortCase {" /dev/pts/4 ", std::nullopt, "/dev/pts/4"},
        PortCase {"", std::nullopt, std::nullopt}, PortCase {"  ", std::nullopt, std::nullopt},
        PortCase {"0", std::nullopt, std::nullopt}, PortCase {"32768", std::nullopt, std::nullopt},
        PortCase {"99999999999", std::nullopt, std::nullopt},
        PortCase {"-1", std::nullopt, std::nullopt}, PortCase {"+2", std::nullopt, std::nullopt},
        PortCase {"1.5", std::nullopt, std::nullopt}, PortCase {"1 2", std::nullopt, std::nullopt},
        PortCase {"COM1", std::nullopt, std::nullopt},
        PortCase {"dev/ttyS0", std::nullopt, std::nullopt}));

struct SettingsCase
{
    const char *text;
    std::optional<LineSettings> settings;
};

class ReceptionLineSettingsText : public ::testing::TestWithParam<SettingsCase>
{
};

TEST_P(ReceptionLineSettingsText, Parses)
{
    EXPECT_EQ(parseLineSettings(GetParam().text), GetParam().settings);
}

using P = LineSettings::Parity;
using S = LineSettings::StopBits;

INSTANTIATE_TEST_SUITE_P(
    Texts, ReceptionLineSettingsText,
    ::testing::Values(
        SettingsCase {"38400,N,8,1", LineSettings {38400, P::None, 8, S::One}},
        SettingsCase {"9600, e ,7,2", LineSettings {9600, P::Even, 7, S::Two}},
        SettingsCase {"1200,O,5,1.5", LineSettings {1200, P::Odd, 5, S::OneAndHalf}},
        SettingsCase {"", std::nullopt}, SettingsCase {"38400,N,8", std::nullopt},
        SettingsCase {"38400,N,8,1,", std::nullopt}, SettingsCase {"38400,X,8,1", std::nullopt},
        SettingsCase {"38400,N,9,1", std::nullopt}, SettingsCase {"38400,N,8,3", std::nullopt},
        SettingsCase {"0,N,8,1", std::nullopt}, SettingsCase {"38k,N,8,1", std::nullopt}));

} // namespace
} // namespace dcf
