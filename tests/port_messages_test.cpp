// A port that does not open: the German message for each cause, on Linux and on Windows, and
// what "ComPort No." suggests. In virtual time against the fake port.

#include "program/program.h"
#include "reception/port_messages.h"
#include "virtual_platform.h"

#include <gtest/gtest.h>

namespace dcf::testing {
namespace {

using Failure = PortOpenFailure;
const std::vector<SerialPortInfo> kPorts {
    {"/dev/ttyS0", "", ""}, {"/dev/ttyUSB0", "FT232R", "FTDI"}, {"/dev/ttyACM0", "", "Prolific"}};

TEST(PortMessage, SaysWhatHappenedAndWhatToDoWithTheSystemTextLast)
{
    const std::vector<std::pair<PortOpenReport, std::vector<std::string>>> posix
        = {{{"/dev/ttyUSB0", Failure::NoAccess, "Permission denied", {}},
            {"/dev/ttyUSB0 kann nicht geöffnet werden: Es fehlt das Recht", "Gruppe „dialout“",
             "\n    sudo usermod -aG dialout $USER\n", "erst nach erneutem Anmelden"}},
           {{"/dev/ttyUSB1", Failure::NoSuchDevice, "No such file", kPorts},
            {"Die Schnittstelle /dev/ttyUSB1 gibt es nicht.",
             "\n    /dev/ttyS0\n    /dev/ttyUSB0 – FT232R (Hersteller: FTDI)\n"
             "    /dev/ttyACM0 – Hersteller: Prolific\n\nBitte eine davon unter „ComPort No.“"}},
           {{"/dev/ttyUSB0", Failure::NoSuchDevice, "", {}},
            {"gibt es nicht, und dieser Computer hat keine serielle Schnittstelle.",
             "Empfänger nicht angeschlossen"}},
           {{"/dev/ttyUSB0", Failure::InUse, "Permission error", kPorts},
            {"/dev/ttyUSB0 ist belegt: Ein anderes Programm hält sie geöffnet.",
             "das andere Programm beenden"}},
           {{"/dev/null", Failure::Other, "Inappropriate ioctl", kPorts},
            {"/dev/null kann nicht geöffnet werden."}}};
    const std::vector<std::pair<PortOpenReport, std::vector<std::string>>> windows
        = {{{"COM3", Failure::NoAccess, "Zugriff verweigert", {}},
            {"Windows verweigert den Zugriff auf die Schnittstelle COM3.", "anderes Programm"}},
           {{"COM5", Failure::NoSuchDevice, "", {{"COM3", "CH340", ""}, {"COM10", "", ""}}},
            {"COM5 gibt es nicht.", "\n    COM3 – CH340\n    COM10\n",
             "Bitte die Nummer einer davon (3 für COM3)"}}};

    for (const DeviceNaming naming : {DeviceNaming::Posix, DeviceNaming::Windows}) {
        for (const auto &[report, says] : naming == DeviceNaming::Posix ? posix : windows) {
            const std::string text = unopenablePortText(report, naming);
            std::size_t from = 0;
            for (const std::string &part : says) {
                from = text.find(part, from);
                ASSERT_NE(from, std::string::npos) << part << " is not in\n" << text;
            }
            const std::string tail
                = report.systemText.empty() ? "" : "\n\n(" + report.systemText + ")";
            EXPECT_TRUE(text.ends_with(tail)) << text;
            EXPECT_EQ(text.find("\n\n("),
                      tail.empty() ? std::string::npos : text.size() - tail.size());
            EXPECT_NE(text.find("erneut Start drücken."), std::string::npos) << text;
            EXPECT_EQ(text.find("/dev/") == std::string::npos, naming == DeviceNaming::Windows);
        }
    }
}

using Suggestions = std::vector<TextBox::Suggestion>;

TEST(PortSuggestions, TypeThePortTextAndShowWhatTheSystemKnowsOfTheAdapter)
{
    EXPECT_EQ(portSuggestions(kPorts, DeviceNaming::Posix),
              (Suggestions {{"/dev/ttyS0", "/dev/ttyS0"},
                            {"/dev/ttyUSB0", "/dev/ttyUSB0 – FT232R (Hersteller: FTDI)"},
                            {"/dev/ttyACM0", "/dev/ttyACM0 – Hersteller: Prolific"}}));
    const std::vector<SerialPortInfo> windows {{"COM3", "USB Serial Port", ""},
                                               {"COM10", "", ""},
                                               {"COM0", "", ""},
                                               {"COM03", "", ""},
                                               {"LPT1", "", ""}};
    EXPECT_EQ(portSuggestions(windows, DeviceNaming::Windows),
              (Suggestions {{"3", "COM3 – USB Serial Port"}, {"10", "COM10"}}));
}

TEST(PortField, OffersThePortsPresentWhenItGetsTheFocusAndListsThemForAMissingDevice)
{
    VirtualPlatform vp;
    Program program {vp.platform()};
    program.start();
    TextBox &field = program.frmDCF77.txtComPort;
    field.setText("/dev/ttyUSB1");
    vp.serial.ports = {{"/dev/ttyS0", "", ""}};
    field.gotFocus();
    vp.serial.ports = kPorts; // adapters plugged in
    EXPECT_EQ(field.suggestions(), (Suggestions {{"/dev/ttyS0", "/dev/ttyS0"}}));
    field.gotFocus();
    EXPECT_EQ(field.suggestions(), portSuggestions(kPorts));

    vp.serial.openError = "No such file or directory";
    vp.serial.openFailureCause = Failure::NoSuchDevice;
    program.frmDCF77.cmdStart.click();
    ASSERT_EQ(vp.desktop.messages.size(), 1u);
    EXPECT_EQ(
        vp.desktop.messages[0].text,
        unopenablePortText({"/dev/ttyUSB1", Failure::NoSuchDevice, vp.serial.openError, kPorts}));
}

} // namespace
} // namespace dcf::testing
