// A port that does not open: the German message for each cause, on Linux and on Windows, and
// what "ComPort No." suggests. In virtual time against the fake port.

#include "program/program.h"
#include "reception/port_messages.h"
#include "virtual_platform.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace dcf::testing {
namespace {

const std::vector<SerialPortInfo> kPorts {
    {"/dev/ttyS0", "", ""}, {"/dev/ttyUSB0", "FT232R", "FTDI"}, {"/dev/ttyACM0", "", "Prolific"}};

TEST(PortMessage, SaysWhatHappenedAndWhatToDoWithTheSystemTextLast)
{
    const std::vector<std::pair<PortOpenReport, std::vector<std::string>>> posix
        = {{{"/dev/ttyUSB0", {PortFault::NoAccess, EACCES}, {}},
            {"/dev/ttyUSB0 kann nicht geöffnet werden: Es fehlt das Recht", "Gruppe „dialout“",
             "\n    sudo usermod -aG dialout $USER\n", "erst nach erneutem Anmelden"}},
           {{"/dev/ttyUSB1", {PortFault::NoSuchDevice, ENOENT}, kPorts},
            {"Die Schnittstelle /dev/ttyUSB1 gibt es nicht.",
             "\n    /dev/ttyS0\n    /dev/ttyUSB0 – FT232R (Hersteller: FTDI)\n"
             "    /dev/ttyACM0 – Hersteller: Prolific\n\nBitte eine davon unter „ComPort No.“"}},
           {{"/dev/ttyUSB0", {PortFault::NoSuchDevice, 0}, {}},
            {"gibt es nicht, und dieser Computer hat keine serielle Schnittstelle.",
             "Empfänger nicht angeschlossen"}},
           {{"/dev/ttyUSB0", {PortFault::InUse, EBUSY}, kPorts},
            {"/dev/ttyUSB0 ist belegt: Ein anderes Programm hält sie geöffnet.",
             "das andere Programm beenden"}},
           {{"/dev/null", {PortFault::Other, ENOTTY}, kPorts},
            {"/dev/null kann nicht geöffnet werden."}}};
    const std::vector<std::pair<PortOpenReport, std::vector<std::string>>> windows
        = {{{"COM3", {PortFault::NoAccess, EACCES}, {}},
            {"Windows verweigert den Zugriff auf die Schnittstelle COM3.", "anderes Programm"}},
           {{"COM5", {PortFault::NoSuchDevice, 0}, {{"COM3", "CH340", ""}, {"COM10", "", ""}}},
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
            const std::string tail = report.problem.systemError == 0
                ? ""
                : "\n\n(" + std::string(std::strerror(report.problem.systemError)) + ")";
            EXPECT_TRUE(text.ends_with(tail)) << text;
            EXPECT_EQ(text.find("\n\n("),
                      tail.empty() ? std::string::npos : text.size() - tail.size());
            EXPECT_NE(text.find("erneut Start drücken."), std::string::npos) << text;
            EXPECT_EQ(text.find("/dev/") == std::string::npos, naming == DeviceNaming::Windows);
        }
    }
}

TEST(PortSuggestions, AreTheTextsThatNameEachPort)
{
    EXPECT_EQ(portSuggestions(kPorts, DeviceNaming::Posix),
              (std::vector<std::string> {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyACM0"}));
    const std::vector<SerialPortInfo> windows {
        {"COM3", "", ""}, {"COM10", "", ""}, {"COM0", "", ""}, {"COM03", "", ""}, {"LPT1", "", ""}};
    EXPECT_EQ(portSuggestions(windows, DeviceNaming::Windows),
              (std::vector<std::string> {"3", "10"}));
}

TEST(PortField, OffersThePortsPresentWhenItGetsTheFocusAndListsThemForAMissingDevice)
{
    VirtualPlatform vp;
    Program program {vp.platform(), vp.windows()};
    program.start();
    TextBox &field = program.mainWindow().txtComPort;
    field.setText("/dev/ttyUSB1");
    vp.serial.ports = {{"/dev/ttyS0", "", ""}};
    field.gotFocus();
    vp.serial.ports = kPorts; // adapters plugged in
    EXPECT_EQ(field.suggestions(), std::vector<std::string> {"/dev/ttyS0"});
    field.gotFocus();
    EXPECT_EQ(field.suggestions(), portSuggestions(kPorts));

    vp.serial.openProblem = PortProblem {PortFault::NoSuchDevice, ENOENT};
    program.mainWindow().cmdStart.click();
    ASSERT_EQ(vp.desktop.messages.size(), 1u);
    EXPECT_EQ(vp.desktop.messages[0].text,
              unopenablePortText({"/dev/ttyUSB1", *vp.serial.openProblem, kPorts}));
}

} // namespace
} // namespace dcf::testing
