// What the user reads in a message box: for each cause of a port that cannot be used, what
// happened and what to do, on Linux and on Windows, every sentence closed by a full stop and a
// long text of the user's cut short; and what "ComPort No." suggests. The port field's part runs
// in virtual time against the fake port.

#include "printers.h"
#include "program/program.h"
#include "ui/messages.h"
#include "virtual_platform.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <ostream>

namespace dcf::testing {
namespace {

using testing::PrintTo;

const std::vector<SerialPortInfo> kPorts {
    {"/dev/ttyS0", "", ""}, {"/dev/ttyUSB0", "FT232R", "FTDI"}, {"/dev/ttyACM0", "", "Prolific"}};
const std::string kTryAgain = "erneut Start drücken.";

/// Whether every sentence of `text` ends with a full stop: each line that is not indented (a
/// listed port, a command) ends with ".", with ".)" after the system's words, or with ":" before
/// what it introduces.
bool sentencesEnd(const std::string &text)
{
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        const std::string line = text.substr(from, end - from);
        if (!line.empty() && !line.starts_with("    ")
            && !(line.ends_with('.') || line.ends_with(".)") || line.ends_with(':')))
            return false;
        from = end + 1;
    }
    return true;
}

struct MessageCase
{
    const char *name;
    PortOpenReport report;
    std::vector<std::string> says; ///< in this order
    std::vector<std::string> saysNot = {};
    DeviceNaming naming = DeviceNaming::Posix;
};

using PortMessage = ::testing::TestWithParam<MessageCase>;

TEST_P(PortMessage, SaysWhatHappenedAndWhatToDo)
{
    const MessageCase &c = GetParam();
    const std::string text = unopenablePortText(c.report, c.naming);
    std::size_t from = 0;
    for (const std::string &part : c.says) {
        from = text.find(part, from);
        ASSERT_NE(from, std::string::npos) << part << " is not in\n" << text;
    }
    for (const std::string &part : c.saysNot)
        EXPECT_EQ(text.find(part), std::string::npos) << part << " is in\n" << text;
    EXPECT_TRUE(sentencesEnd(text)) << text;
    EXPECT_NE(text.find(kTryAgain), std::string::npos) << text;
    EXPECT_EQ(text.find("/dev/") == std::string::npos, c.naming == DeviceNaming::Windows);
}

const std::string kDialout = "\n    sudo usermod -aG dialout $USER\n";

INSTANTIATE_TEST_SUITE_P(
    Causes, PortMessage,
    ::testing::Values(
        MessageCase {"RefusedToDialout",
                     {"/dev/ttyUSB0", {PortFault::NoAccess, EACCES, "root", "dialout"}, {}},
                     {"/dev/ttyUSB0 kann nicht geöffnet werden: Es fehlt das Recht",
                      "Gruppe „dialout“. Beitreten mit dem Befehl:\n", kDialout,
                      "erst nach erneutem Anmelden"},
                     {"(Meldung"}},
        MessageCase {"RefusedToAnotherGroup",
                     {"/dev/ttyACM0", {PortFault::NoAccess, EACCES, "uucp", "lock"}, {}},
                     {"/dev/ttyACM0 kann nicht geöffnet werden: Es fehlt das Recht",
                      "Das Gerät gehört dem Benutzer „uucp“ und der Gruppe „lock“.",
                      "Verwalter dieses Computers"},
                     {"dialout"}},
        MessageCase {"Missing",
                     {"/dev/ttyUSB1", {PortFault::NoSuchDevice, ENOENT}, kPorts},
                     {"Die Schnittstelle /dev/ttyUSB1 gibt es nicht.",
                      "\n    /dev/ttyS0\n    /dev/ttyUSB0 – FT232R (Hersteller: FTDI)\n"
                      "    /dev/ttyACM0 – Hersteller: Prolific\n\nBitte eine davon unter "
                      "„ComPort No.“"},
                     {"(Meldung"}},
        MessageCase {"MissingWithNoPortAtAll",
                     {"/dev/ttyUSB0", {PortFault::NoSuchDevice, 0}, {}},
                     {"gibt es nicht, und dieser Computer hat keine serielle Schnittstelle.",
                      "Empfänger nicht angeschlossen"}},
        MessageCase {"NoTerminal",
                     {"/dev/null", {PortFault::NotASerialPort, 0}, kPorts},
                     {"/dev/null ist keine serielle Schnittstelle.", "(etwa /dev/ttyUSB0)"},
                     {"kann nicht geöffnet werden"}},
        MessageCase {"NoModemLines",
                     {"/dev/pts/3", {PortFault::NoModemLines, 0}, kPorts},
                     {"/dev/pts/3 hat keine Modem-Statusleitungen, und die gewählte Empfängerart "
                      "braucht eine davon.",
                      "(DCD, CTS, DSR oder RI)"}},
        MessageCase {"KnownReason",
                     {"/dev/ttyS0", {PortFault::Other, EIO}, kPorts},
                     {"/dev/ttyS0 kann nicht geöffnet werden: Das Gerät meldet einen "
                      "Übertragungsfehler.",
                      "ob dort der Empfänger angeschlossen ist"},
                     {"(Meldung", "Input/output"}},
        MessageCase {"UnknownReason",
                     {"/dev/ttyS0", {PortFault::Other, EPROTO}, kPorts},
                     {"/dev/ttyS0 kann nicht geöffnet werden.",
                      "\n\n(Meldung des Systems: " + std::string(std::strerror(EPROTO)) + ".)"}},
        MessageCase {
            "MissingOnWindows",
            {"COM5", {PortFault::NoSuchDevice, 0}, {{"COM3", "CH340", ""}, {"COM10", "", ""}}},
            {"COM5 gibt es nicht.", "\n    COM3 – CH340\n    COM10\n",
             "Bitte die Nummer einer davon (3 für COM3)"},
            {},
            DeviceNaming::Windows}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(PortMessage, AFailedPortSaysWhatBecameOfItAndWhatToDo)
{
    const std::string advice = ".\n\nDer Empfang wurde beendet. Bitte das Kabel zum Empfänger "
                               "prüfen und erneut Start drücken.";
    EXPECT_EQ(failedPortText("/dev/ttyUSB0", {PortFault::Vanished, ENXIO}),
              "Die Schnittstelle /dev/ttyUSB0 ist ausgefallen: Das Gerät ist nicht "
              "angeschlossen"
                  + advice);
    for (const int hangUp : {0, EIO}) {
        EXPECT_EQ(failedPortText("/dev/pts/2", {PortFault::Vanished, hangUp}),
                  "Die Schnittstelle /dev/pts/2 ist ausgefallen: Das Gerät hat die Verbindung "
                  "beendet"
                      + advice);
    }
    EXPECT_EQ(failedPortText("/dev/ttyS0", {PortFault::Vanished, EPROTO}),
              "Die Schnittstelle /dev/ttyS0 ist ausgefallen" + advice
                  + "\n\n(Meldung des Systems: " + std::strerror(EPROTO) + ".)");
}

TEST(PortMessage, ATextTheUserTypedNamesNoPort)
{
    EXPECT_EQ(unusablePortText(" \t"),
              "Es ist keine Schnittstelle angegeben.\n\nBitte unter "
              "„ComPort No.“ eine Portnummer von 1 bis 32767 oder einen "
              "Gerätepfad eingeben.");
    EXPECT_EQ(unusablePortText("+100"),
              "„+100“ bezeichnet keine Schnittstelle.\n\nBitte eine "
              "Portnummer von 1 bis 32767 oder einen Gerätepfad "
              "eingeben.");
}

TEST(PortMessage, ALongTextIsCutShortAndTheExplanationStays)
{
    const std::string typed = "ä" + std::string(499, 'x');
    const std::string path = "/dev/" + std::string(495, 'p');
    const std::string texts[]
        = {unusablePortText(typed), unopenablePortText({path, {PortFault::InUse, EBUSY}, {}}),
           failedPortText(path, {PortFault::Vanished, 0})};
    const std::string shortTyped = "„ä" + std::string(58, 'x') + "…“";
    const std::string shortPath = "/dev/" + std::string(54, 'p') + "…";
    EXPECT_TRUE(texts[0].starts_with(shortTyped + " bezeichnet keine Schnittstelle.")) << texts[0];
    EXPECT_NE(texts[1].find(shortPath + " ist belegt"), std::string::npos) << texts[1];
    EXPECT_NE(texts[2].find(shortPath + " ist ausgefallen"), std::string::npos) << texts[2];
    for (const std::string &text : texts) {
        EXPECT_LT(text.size(), 300u) << text;
        EXPECT_TRUE(text.ends_with(kTryAgain) || text.ends_with("eingeben.")) << text;
    }
    EXPECT_EQ(unusablePortText(std::string(60, 'y')).find("…"), std::string::npos)
        << "sixty characters fit";
}

using Suggestions = std::vector<TextBox::Suggestion>;

TEST(PortSuggestions, OnWindowsTypeThePortNumber)
{
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
    Program program {vp.platform(), vp.windows()};
    program.start();
    TextBox &field = program.mainWindow().txtComPort;
    field.setText("/dev/ttyUSB1");
    vp.serial.ports = {{"/dev/ttyS0", "", ""}};
    field.gotFocus();
    vp.serial.ports = kPorts; // adapters plugged in
    EXPECT_EQ(field.suggestions(), (Suggestions {{"/dev/ttyS0", "/dev/ttyS0"}}));
    field.gotFocus();
    EXPECT_EQ(field.suggestions(),
              (Suggestions {{"/dev/ttyS0", "/dev/ttyS0"},
                            {"/dev/ttyUSB0", "/dev/ttyUSB0 – FT232R (Hersteller: FTDI)"},
                            {"/dev/ttyACM0", "/dev/ttyACM0 – Hersteller: Prolific"}}));

    const PortProblem missing {PortFault::NoSuchDevice, ENOENT};
    vp.serial.deviceProblems["/dev/ttyUSB1"] = missing;
    program.mainWindow().cmdStart.click();
    ASSERT_EQ(vp.desktop.messages.size(), 1u);
    EXPECT_EQ(vp.desktop.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(vp.desktop.messages[0].text, unopenablePortText({"/dev/ttyUSB1", missing, kPorts}));
}

} // namespace
} // namespace dcf::testing
