// The command line and the choice of display, both read before Qt starts.

#include "app/display_choice.h"
#include "app/program_options.h"

#include <gtest/gtest.h>
#include <map>
#include <ostream>
#include <tuple>

namespace dcf {
namespace {

CommandLine read(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "dcf77");
    return readCommandLine(arguments);
}

TEST(CommandLine, WithoutOptionsRunsAsEver)
{
    const CommandLine line = read({});
    EXPECT_TRUE(line.run);
    EXPECT_EQ(line.options, ProgramOptions {});
    EXPECT_FALSE(line.options.receiver.kind.has_value()) << "recognised from the signal";
    EXPECT_TRUE(line.qtArguments.empty());
}

TEST(CommandLine, ReadsEveryChoice)
{
    const CommandLine line = read(
        {"--receiver", "dsr", "--invert", "--power=both", "--chrony", "/run/chrony.dcf77.sock"});
    ASSERT_TRUE(line.run) << line.error;
    EXPECT_EQ(line.options.receiver.kind, ReceiverKind::Dsr);
    EXPECT_EQ(line.options.receiver.polarity, Polarity::MarkWhileInactive);
    EXPECT_EQ(line.options.receiver.power, PowerLines::Both);
    EXPECT_EQ(line.options.chronySocket, "/run/chrony.dcf77.sock");

    for (const auto &[kind, name] : kReceiverKindNames)
        EXPECT_EQ(read({"--receiver=" + std::string(name)}).options.receiver.kind, kind) << name;
    const std::pair<const char *, PowerLines> powers[]
        = {{"none", PowerLines::None}, {"dtr", PowerLines::Dtr}, {"rts", PowerLines::Rts}};
    for (const auto &[name, lines] : powers)
        EXPECT_EQ(read({"--power", name}).options.receiver.power, lines) << name;
    // An inverted line whose kind is still to be recognised.
    EXPECT_EQ(read({"--invert"}).options.receiver.polarity, Polarity::MarkWhileInactive);
    EXPECT_EQ(read({"--receiver", "rxd50", "--receiver", "cts"}).options.receiver.kind,
              ReceiverKind::Cts)
        << "the last one counts";
}

TEST(CommandLine, HelpAndVersionPrintAndEndWell)
{
    for (const char *help : {"-h", "--he"}) {
        const CommandLine line = read({"--receiver", "dcd", help, "--bogus"});
        EXPECT_EQ(std::make_tuple(line.run, line.exitStatus, line.error),
                  std::make_tuple(false, 0, ""))
            << help;
        EXPECT_TRUE(line.output.starts_with("Usage: dcf77 [OPTION]...\n")) << help;
        for (const auto &[kind, name] : kReceiverKindNames)
            EXPECT_NE(line.output.find(name), std::string::npos) << name;
    }
    const CommandLine version = read({"--version"});
    EXPECT_EQ(std::make_tuple(version.run, version.exitStatus, version.output),
              std::make_tuple(false, 0, std::string("dcf77 ") + DCF77_VERSION + "\n"));
}

struct Misuse
{
    std::vector<std::string> arguments;
    std::string says;
};

void PrintTo(const Misuse &misuse, std::ostream *out)
{
    for (const std::string &argument : misuse.arguments)
        *out << argument << ' ';
}

class CommandLineMisuse : public ::testing::TestWithParam<Misuse>
{
};

TEST_P(CommandLineMisuse, EndsWithOneLineThatSaysWhatIsWrong)
{
    const CommandLine line = read(GetParam().arguments);
    EXPECT_FALSE(line.run);
    EXPECT_EQ(line.exitStatus, 2);
    EXPECT_TRUE(line.output.empty());
    EXPECT_EQ(line.error, "dcf77: " + GetParam().says + "; 'dcf77 --help' lists the options\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineMisuse,
    ::testing::Values(
        Misuse {{"--verbose"}, "unknown option '--verbose'"},
        Misuse {{"--receiver=dcd", "--frobnicate=3"}, "unknown option '--frobnicate'"},
        Misuse {{"COM1"}, "unexpected argument 'COM1'"},
        Misuse {{"--receiver", "DCD"},
                "--receiver is one of characters, dcd, cts, dsr, ri, rxd50, not 'DCD'"},
        Misuse {{"--receiver"}, "--receiver needs a value"},
        Misuse {{"--power", "dtr+rts"}, "--power is one of none, dtr, rts, both, not 'dtr+rts'"},
        Misuse {{"--invert=yes"}, "--invert takes no value"},
        Misuse {{"--chrony", "/run/" + std::string(103, 's')},
                "--chrony needs the path of chrony's socket, at most 107 bytes long"},
        Misuse {{"--invert", "--receiver", "rxd50"},
                "--invert applies to a modem-status line (dcd, cts, dsr or ri), not to "
                "--receiver rxd50"}));

TEST(CommandLine, PassesQtsOwnOptionsOnToQt)
{
    const CommandLine line
        = read({"-platform", "offscreen", "--receiver", "ri", "-style=fusion", "--reverse",
                "-stylesheet", "look.qss", "--platformtheme", "gtk3"});
    ASSERT_TRUE(line.run) << line.error;
    EXPECT_EQ(line.options.receiver.kind, ReceiverKind::Ri);
    EXPECT_EQ(line.qtArguments,
              (std::vector<std::string> {"-platform", "offscreen", "-style=fusion", "--reverse",
                                         "-stylesheet", "look.qss", "--platformtheme", "gtk3"}));
    EXPECT_TRUE(line.platformOption);
    EXPECT_FALSE(read({"-platformtheme", "gtk3"}).platformOption);
    // After "--" nothing is an option, not even one of Qt's.
    EXPECT_EQ(read({"--", "-style"}).error,
              "dcf77: unexpected argument '-style'; 'dcf77 --help' lists the options\n");
}

struct Session
{
    std::map<std::string, std::string> environment;
    bool platformOption = false;
    bool usable = true;
    std::optional<std::string> platform;
};

void PrintTo(const Session &session, std::ostream *out)
{
    for (const auto &[name, value] : session.environment)
        *out << name << "=" << value << ' ';
    if (session.platformOption)
        *out << "-platform";
}

class DisplayChoiceTest : public ::testing::TestWithParam<Session>
{
};

TEST_P(DisplayChoiceTest, WindowsGoWhereTheProgramCanPlaceThem)
{
    const Session &session = GetParam();
    const DisplayChoice choice = chooseDisplay(
        [&session](const char *name) -> const char * {
            const auto found = session.environment.find(name);
            return found == session.environment.end() ? nullptr : found->second.c_str();
        },
        session.platformOption);
    EXPECT_EQ(choice.usable, session.usable);
    EXPECT_EQ(choice.platform, session.platform);
    if (!session.usable) {
        EXPECT_EQ(std::count(choice.problem.begin(), choice.problem.end(), '\n'), 1);
        EXPECT_TRUE(choice.problem.ends_with("QT_QPA_PLATFORM=offscreen dcf77\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DisplayChoiceTest,
    ::testing::Values(
        Session {{}, false, false, {}}, //
        Session {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false, false, {}},
        Session {{{"DISPLAY", ":0"}}, false, true, "xcb"},
        Session {{{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}, false, true, "xcb;wayland"},
        Session {{{"WAYLAND_DISPLAY", "wayland-0"}}, false, true, {}},
        Session {{{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}}, false, true, {}},
        Session {{{"QT_QPA_PLATFORM", "offscreen"}}, false, true, {}},
        Session {{}, true, true, {}}));

} // namespace
} // namespace dcf
