// The reception's rule-like parts: display formats and port texts.

#include "reception/display_formats.h"
#include "ui/port_name.h"

#include <gtest/gtest.h>
#include <optional>

namespace dcf {
namespace {

TEST(ReceptionFormats, CountsRightAlignedInEightSecondsWithThreeDecimals)
{
    const std::pair<double, const char *> counts[]
        = {{59, "      59"}, {12345678, "12345678"}, {123456789, "123456789"}};
    for (const auto &[count, shown] : counts)
        EXPECT_EQ(countFormat(count), shown);

    const std::tuple<double, const char *, const char *> seconds[] = {
        {2.0, ",", "   2,000"},
        {0.9996, ".", "   1.000"},
        {0.0004, ".", "   0.000"},
        {12345.678, ".", "12345.678"},
        // A separator of more than one byte still counts as one character.
        {0.25, "\u066B", "   0\u066B250"},
    };
    for (const auto &[value, separator, shown] : seconds)
        EXPECT_EQ(secondsFormat(value, separator), shown);

    EXPECT_EQ(characterText("\xFF"), "\u00FF") << "a high byte as its Latin-1 character";
}

TEST(ReceptionPortText, NamesTheDeviceOrNone)
{
    using Name = std::optional<std::string>;
    const std::tuple<const char *, Name, Name> table[]
        = {{"1", "COM1", "/dev/ttyS0"},
           {" 3\t", "COM3", "/dev/ttyS2"},
           {"007", "COM7", "/dev/ttyS6"},
           {"32767", "COM32767", "/dev/ttyS32766"},
           {" /dev/pts/4 ", std::nullopt, "/dev/pts/4"}};
    for (const auto &[text, onWindows, elsewhere] : table) {
        EXPECT_EQ(serialDeviceForPortText(text, DeviceNaming::Windows), onWindows) << text;
        EXPECT_EQ(serialDeviceForPortText(text, DeviceNaming::Posix), elsewhere) << text;
    }
    for (const char *text :
         {"  ", "0", "32768", "99999999999", "-1", "+2", "1.5", "COM1", "dev/ttyS0"}) {
        EXPECT_EQ(serialDeviceForPortText(text, DeviceNaming::Windows), std::nullopt) << text;
        EXPECT_EQ(serialDeviceForPortText(text, DeviceNaming::Posix), std::nullopt) << text;
    }
}

} // namespace
} // namespace dcf
