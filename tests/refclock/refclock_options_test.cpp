// dcf77-refclock's command line: what it runs with, and the one line and status 2 for a mistake.

#include "app/refclock/refclock_options.h"

#include <gtest/gtest.h>

namespace dcf::refclock {
namespace {

RefclockCommandLine read(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "dcf77-refclock");
    return readRefclockCommandLine(arguments);
}

TEST(RefclockCommandLine, OptionsInAnyOrder)
{
    const RefclockCommandLine line
        = read({"--receiver", "dcd", "/dev/ttyUSB0", "--chrony=/run/chrony.dcf77.sock", "--invert",
                "--power", "rts"});
    ASSERT_TRUE(line.run) << line.error;
    EXPECT_EQ(line.options,
              (RefclockOptions {.port = "/dev/ttyUSB0",
                                .chronySocket = "/run/chrony.dcf77.sock",
                                .receiver = {.kind = ReceiverKind::Dcd,
                                             .polarity = Polarity::MarkWhileInactive,
                                             .power = PowerLines::Rts}}));

    const RefclockCommandLine plain = read({"/dev/ttyS0", "--chrony", "/run/c.sock"});
    ASSERT_TRUE(plain.run);
    EXPECT_EQ(plain.options.receiver, ReceiverChoice {}); // recognised from the signal
}

TEST(RefclockCommandLine, HelpAndVersionGoToStandardOutput)
{
    for (const char *option : {"--help", "-h", "--version"}) {
        const RefclockCommandLine line = read({option});
        EXPECT_FALSE(line.run);
        EXPECT_EQ(line.exitStatus, 0);
        EXPECT_TRUE(line.output.starts_with(option == std::string("--version") ? "dcf77-refclock "
                                                                               : "Usage: "));
        EXPECT_TRUE(line.error.empty());
    }
}

struct Mistake
{
    std::vector<std::string> arguments;
    std::string error;
};

void PrintTo(const Mistake &mistake, std::ostream *out)
{
    for (const std::string &argument : mistake.arguments)
        *out << argument << " ";
}

class RefclockMistake : public ::testing::TestWithParam<Mistake>
{
};

TEST_P(RefclockMistake, OneLineAndStatus2)
{
    const RefclockCommandLine line = read(GetParam().arguments);
    EXPECT_FALSE(line.run);
    EXPECT_EQ(line.exitStatus, 2);
    EXPECT_EQ(line.error,
              std::string("dcf77-refclock: ") + GetParam().error
                  + "; 'dcf77-refclock --help' lists the options\n");
    EXPECT_TRUE(line.output.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RefclockMistake,
    ::testing::Values(
        Mistake {{"--chrony", "/run/c.sock"}, "the serial port of the receiver is missing"},
        Mistake {{"/dev/ttyS0"},
                 "--chrony SOCKET is missing: the socket of chrony's SOCK reference clock"},
        Mistake {{"/dev/ttyS0", "/dev/ttyS1", "--chrony", "/run/c.sock"},
                 "unexpected argument '/dev/ttyS1'"},
        Mistake {{"/dev/ttyS0", "--chrony"}, "--chrony needs a value"},
        Mistake {{"/dev/ttyS0", "--chrony", std::string(108, 's')},
                 "the path of chrony's socket is longer than a socket address can hold (107 "
                 "bytes): "
                     + std::string(108, 's')},
        Mistake {{"/dev/ttyS0", "--chrony", "/run/c.sock", "--receiver", "usb"},
                 "--receiver is one of characters, dcd, cts, dsr, ri, rxd50, not 'usb'"},
        Mistake {{"/dev/ttyS0", "--chrony", "/run/c.sock", "--power", "5v"},
                 "--power is one of none, dtr, rts, both, not '5v'"},
        Mistake {{"/dev/ttyS0", "--chrony", "/run/c.sock", "--receiver", "rxd50", "--invert"},
                 "--invert applies to a modem-status line (dcd, cts, dsr or ri)"},
        Mistake {{"/dev/ttyS0", "--chrony", "/run/c.sock", "--baud=9600"},
                 "unknown option '--baud'"}));

} // namespace
} // namespace dcf::refclock
