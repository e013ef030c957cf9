// A port that does not open: the German message for each cause, on Linux and on Windows, and
// what "ComPort No." suggests. All in virtual time against the fake port.

#include "program/program.h"
#include "reception/port_messages.h"
#include "virtual_platform.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace dcf::testing {
namespace {

const std::vector<SerialPortInfo> kLinuxPorts {
    {"/dev/ttyS0", "", ""},
    {"/dev/ttyUSB0", "FT232R USB UART", "FTDI"},
    {"/dev/ttyACM0", "", "Prolific"},
};
const std::vector<SerialPortInfo> kWindowsPorts {
    {"COM3", "USB-SERIAL CH340", "wch.cn"},
    {"COM10", "", ""},
};

struct MessageCase
{
    const char *name;
    DeviceNaming naming;
    PortOpenReport report;
    /// What the user must read, in this order.
    std::vector<std::string> says;
};

void PrintTo(const MessageCase &c, std::ostream *out)
{
    *out << c.name;
}

class PortMessage : public ::testing::TestWithParam<MessageCase>
{
};

TEST_P(PortMessage, SaysWhatHappenedAndWhatToDoWithTheSystemTextLast)
{
    const MessageCase &c = GetParam();
    const std::string text = unopenablePortText(c.report, c.naming);

    std::size_t from = 0;
    for (const std::string &part : c.says) {
        const std::size_t found = text.find(part, from);
        ASSERT_NE(found, std::string::npos) << "\"" << part << "\" missing or out of order in\n"
                                            << text;
        from = found + part.size();
    }
    if (c.report.systemText.empty()) {
        EXPECT_EQ(text.find("\n\n("), std::string::npos) << text;
    } else {
        const std::string last = "\n\n(" + c.report.systemText + ")";
        EXPECT_TRUE(text.ends_with(last)) << text;
        EXPECT_EQ(text.find(c.report.systemText), text.size() - last.size() + 3) << text;
    }
    if (c.naming == DeviceNaming::Windows) {
        EXPECT_EQ(text.find("/dev/"), std::string::npos) << text;
        EXPECT_EQ(text.find("dialout"), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Causes, PortMessage,
    ::testing::Values(
        MessageCase {"NoAccessOnLinux",
                     DeviceNaming::Posix,
                     {"/dev/ttyUSB0", PortOpenFailure::NoAccess, "Permission denied", kLinuxPorts},
                     {"Die Schnittstelle /dev/ttyUSB0 kann nicht geöffnet werden: Es fehlt das "
                      "Recht, dieses Gerät zu benutzen.",
                      "Gruppe „dialout“", "\n    sudo usermod -aG dialout $USER\n",
                      "erst nach erneutem Anmelden", "erneut Start drücken."}},
        MessageCase {"NoAccessOnWindows",
                     DeviceNaming::Windows,
                     {"COM3", PortOpenFailure::NoAccess, "Zugriff verweigert", {}},
                     {"Windows verweigert den Zugriff auf die Schnittstelle COM3.",
                      "anderes Programm", "erneut Start drücken."}},
        MessageCase {"MissingDeviceListsThePortsOnLinux",
                     DeviceNaming::Posix,
                     {"/dev/ttyUSB1", PortOpenFailure::NoSuchDevice, "No such file or directory",
                      kLinuxPorts},
                     {"Die Schnittstelle /dev/ttyUSB1 gibt es nicht.",
                      "Dieser Computer hat diese seriellen Schnittstellen:\n"
                      "    /dev/ttyS0\n"
                      "    /dev/ttyUSB0 – FT232R USB UART (Hersteller: FTDI)\n"
                      "    /dev/ttyACM0 – Hersteller: Prolific\n",
                      "Bitte eine davon unter „ComPort No.“ eingeben und erneut Start drücken."}},
        MessageCase {"MissingDeviceListsTheNumbersOnWindows",
                     DeviceNaming::Windows,
                     {"COM5", PortOpenFailure::NoSuchDevice, "", kWindowsPorts},
                     {"Die Schnittstelle COM5 gibt es nicht.",
                      "    COM3 – USB-SERIAL CH340 (Hersteller: wch.cn)\n    COM10\n",
                      "Bitte die Nummer einer davon (3 für COM3) unter „ComPort No.“ eingeben"}},
        MessageCase {
            "NoPortsAtAll",
            DeviceNaming::Posix,
            {"/dev/ttyUSB0", PortOpenFailure::NoSuchDevice, "No such file or directory", {}},
            {"Die Schnittstelle /dev/ttyUSB0 gibt es nicht, und dieser Computer hat "
             "keine serielle Schnittstelle.",
             "Empfänger nicht angeschlossen", "erneut Start drücken."}},
        MessageCase {"InUse",
                     DeviceNaming::Posix,
                     {"/dev/ttyUSB0", PortOpenFailure::InUse,
                      "Permission error while locking the device", kLinuxPorts},
                     {"Die Schnittstelle /dev/ttyUSB0 ist belegt: Ein anderes Programm hält sie "
                      "geöffnet.",
                      "Bitte das andere Programm beenden und erneut Start drücken."}},
        MessageCase {
            "OtherFailureGivesTheSystemText",
            DeviceNaming::Posix,
            {"/dev/null", PortOpenFailure::Other, "Inappropriate ioctl for device", kLinuxPorts},
            {"Die Schnittstelle /dev/null kann nicht geöffnet werden.", "erneut Start drücken."}}),
    [](const auto &testCase) { return std::string(testCase.param.name); });

struct SuggestionCase
{
    const char *name;
    DeviceNaming naming;
    std::vector<SerialPortInfo> ports;
    std::vector<std::string> suggested;
};

class PortSuggestions : public ::testing::TestWithParam<SuggestionCase>
{
};

TEST_P(PortSuggestions, AreWhatTheUserTypesForEachPortAndNameItAgain)
{
    const SuggestionCase &c = GetParam();
    const std::vector<std::string> suggested = portSuggestions(c.ports, c.naming);
    EXPECT_EQ(suggested, c.suggested);
    for (const std::string &text : suggested) {
        const std::optional<std::string> device = serialDeviceForPortText(text, c.naming);
        ASSERT_TRUE(device.has_value()) << text;
        EXPECT_TRUE(
            std::ranges::any_of(c.ports, [&](const auto &p) { return p.device == *device; }))
            << text << " names " << *device;
    }
}

INSTANTIATE_TEST_SUITE_P(Namings, PortSuggestions,
                         ::testing::Values(SuggestionCase {"LinuxPaths",
                                                           DeviceNaming::Posix,
                                                           kLinuxPorts,
                                                           {"/dev/ttyS0", "/dev/ttyUSB0",
                                                            "/dev/ttyACM0"}},
                                           SuggestionCase {"WindowsNumbers",
                                                           DeviceNaming::Windows,
                                                           {{"COM3", "", ""},
                                                            {"COM10", "", ""},
                                                            {"COM0", "", ""},
                                                            {"COM03", "", ""},
                                                            {"COM40000", "", ""},
                                                            {"\\\\.\\COM4", "", ""},
                                                            {"LPT1", "", ""}},
                                                           {"3", "10"}},
                                           SuggestionCase {"None", DeviceNaming::Posix, {}, {}}),
                         [](const auto &testCase) { return std::string(testCase.param.name); });

class PortField : public ::testing::Test
{
protected:
    void SetUp() override { program.start(); }

    VirtualPlatform vp;
    Program program {vp.platform()};
    TextBox &field = program.frmDCF77.txtComPort;
};

TEST_F(PortField, OffersThePortsPresentEachTimeItGetsTheFocus)
{
    field.setText("/dev/tty");
    vp.serial.ports = kLinuxPorts;
    field.gotFocus();
    EXPECT_EQ(field.suggestions(),
              (std::vector<std::string> {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyACM0"}));

    vp.serial.ports = {{"/dev/ttyUSB1", "", ""}}; // one adapter unplugged, another plugged in
    EXPECT_EQ(field.suggestions().size(), 3u);
    field.gotFocus();
    EXPECT_EQ(field.suggestions(), std::vector<std::string> {"/dev/ttyUSB1"});
    EXPECT_EQ(field.text(), "/dev/tty");
}

TEST_F(PortField, MissingDeviceAtStartListsThePortsPresent)
{
    field.setText("/dev/ttyUSB1");
    vp.serial.openError = "No such file or directory";
    vp.serial.openFailureCause = PortOpenFailure::NoSuchDevice;
    vp.serial.ports = kLinuxPorts;

    program.frmDCF77.cmdStart.click();

    ASSERT_EQ(vp.desktop.messages.size(), 1u);
    EXPECT_EQ(vp.desktop.messages[0].text,
              unopenablePortText({"/dev/ttyUSB1", PortOpenFailure::NoSuchDevice,
                                  "No such file or directory", kLinuxPorts},
                                 DeviceNaming::Native));
    EXPECT_FALSE(program.receptionActive());
}

} // namespace
} // namespace dcf::testing
