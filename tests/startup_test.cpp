// The command line and the choice of display, both read before Qt starts.

#include "app/display_choice.h"
#include "app/program_options.h"

#include <gtest/gtest.h>
#include <map>
#include <tuple>

namespace dcf {
namespace {

CommandLine read(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "dcf77");
    return readCommandLine(arguments);
}

TEST(CommandLine, ReadsEveryChoiceAndPassesQtsOwnOptionsOn)
{
    const CommandLine plain = read({});
    EXPECT_TRUE(plain.run);
    EXPECT_EQ(plain.options, ProgramOptions {});
    EXPECT_FALSE(plain.options.receiver.kind.has_value()) << "recognised from the signal";

    const CommandLine line
        = read({"-platform", "offscreen", "--receiver", "dsr", "--invert", "-style=fusion",
                "--power=both", "--chrony", "/run/chrony.dcf77.sock", "--reverse"});
    ASSERT_TRUE(line.run) << line.error;
    EXPECT_EQ(line.options.receiver,
              (ReceiverChoice {ReceiverKind::Dsr, Polarity::MarkWhileInactive, PowerLines::Both}));
    EXPECT_EQ(line.options.chronySocket, "/run/chrony.dcf77.sock");
    EXPECT_EQ(line.qtArguments,
              (std::vector<std::string> {"-platform", "offscreen", "-style=fusion", "--reverse"}));
    EXPECT_TRUE(line.platformOption);
    EXPECT_FALSE(read({"-platformtheme", "gtk3"}).platformOption);

    for (const auto &[kind, name] : kReceiverKindNames)
        EXPECT_EQ(read({"--receiver=" + std::string(name)}).options.receiver.kind, kind) << name;
    for (const auto &[name, lines] :
         {std::pair {"none", PowerLines::None}, {"dtr", PowerLines::Dtr}, {"rts", PowerLines::Rts}})
        EXPECT_EQ(read({"--power", name}).options.receiver.power, lines) << name;
    // An inverted line whose kind is still to be recognised; the last choice counts.
    EXPECT_EQ(read({"--invert"}).options.receiver.polarity, Polarity::MarkWhileInactive);
    EXPECT_EQ(read({"--receiver", "rxd50", "--receiver", "cts"}).options.receiver.kind,
              ReceiverKind::Cts);
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

TEST(CommandLine, AMisuseEndsWithOneLineThatSaysWhatIsWrong)
{
    const std::pair<std::vector<std::string>, std::string> misuses[] = {
        {{"--receiver=dcd", "--frobnicate=3"}, "unknown option '--frobnicate'"},
        {{"COM1"}, "unexpected argument 'COM1'"},
        {{"--", "-style"}, "unexpected argument '-style'"}, // after "--" nothing is an option
        {{"--receiver", "DCD"},
         "--receiver is one of characters, dcd, cts, dsr, ri, rxd50, not 'DCD'"},
        {{"--receiver"}, "--receiver needs a value"},
        {{"--power", "dtr+rts"}, "--power is one of none, dtr, rts, both, not 'dtr+rts'"},
        {{"--invert=yes"}, "--invert takes no value"},
        {{"--chrony", "/run/" + std::string(103, 's')},
         "--chrony needs the path of chrony's socket, at most 107 bytes long"},
        {{"--invert", "--receiver", "rxd50"},
         "--invert applies to a modem-status line (dcd, cts, dsr or ri), not to --receiver rxd50"},
    };
    for (const auto &[arguments, says] : misuses) {
        const CommandLine line = read(arguments);
        EXPECT_EQ(std::make_tuple(line.run, line.exitStatus, line.output),
                  std::make_tuple(false, 2, ""))
            << says;
        EXPECT_EQ(line.error, "dcf77: " + says + "; 'dcf77 --help' lists the options\n");
    }
}

TEST(DisplayChoice, WindowsGoWhereTheProgramCanPlaceThem)
{
    using Environment = std::map<std::string, std::string>;
    // The session, whether -platform was given, and the platform chosen ("-" for none usable).
    const std::tuple<Environment, bool, std::string> sessions[] = {
        {{}, false, "-"},
        {{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, false, "-"},
        {{{"DISPLAY", ":0"}}, false, "xcb"},
        {{{"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}, false, "xcb;wayland"},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, false, ""},
        {{{"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}}, false, ""},
        {{{"QT_QPA_PLATFORM", "offscreen"}}, false, ""},
        {{}, true, ""},
    };
    for (const auto &[environment, platformOption, platform] : sessions) {
        const DisplayChoice choice = chooseDisplay(
            [&variables = environment](const char *name) -> const char * {
                const auto found = variables.find(name);
                return found == variables.end() ? nullptr : found->second.c_str();
            },
            platformOption);
        const std::string chosen = !choice.usable ? "-" : choice.platform.value_or("");
        EXPECT_EQ(chosen, platform) << environment.size() << " variables, " << platformOption;
        if (!choice.usable) {
            EXPECT_EQ(std::count(choice.problem.begin(), choice.problem.end(), '\n'), 1);
            EXPECT_TRUE(choice.problem.ends_with("QT_QPA_PLATFORM=offscreen dcf77\n"));
        }
    }
}

} // namespace
} // namespace dcf
