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

TEST(RefclockCommandLine, OptionsInAnyOrderHelpAndVersion)
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

    // Help and version go to the standard output.
    for (const std::string option : {"--help", "-h", "--version"}) {
        const RefclockCommandLine told = read({option});
        EXPECT_EQ(std::make_tuple(told.run, told.exitStatus, told.error),
                  std::make_tuple(false, 0, ""));
        EXPECT_TRUE(told.output.starts_with(option == "--version" ? "dcf77-refclock " : "Usage: "));
    }
}

TEST(RefclockCommandLine, AMistakeIsOneLineAndStatus2)
{
    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{"--chrony", "/run/c.sock"}, "the serial port of the receiver is missing"},
        {{"/dev/ttyS0"}, "--chrony SOCKET is missing: the socket of chrony's SOCK reference clock"},
        {{"/dev/ttyS0", "/dev/ttyS1", "--chrony", "/run/c.sock"},
         "unexpected argument '/dev/ttyS1'"},
        {{"/dev/ttyS0", "--chrony"}, "--chrony needs a value"},
        {{"/dev/ttyS0", "--chrony", std::string(108, 's')},
         "the path of chrony's socket is longer than a socket address can hold (107 bytes): "
             + std::string(108, 's')},
        {{"/dev/ttyS0", "--chrony", "/run/c.sock", "--receiver", "usb"},
         "--receiver is one of characters, dcd, cts, dsr, ri, rxd50, not 'usb'"},
        {{"/dev/ttyS0", "--chrony", "/run/c.sock", "--power", "5v"},
         "--power is one of none, dtr, rts, both, not '5v'"},
        {{"/dev/ttyS0", "--chrony", "/run/c.sock", "--receiver", "rxd50", "--invert"},
         "--invert applies to a modem-status line (dcd, cts, dsr or ri)"},
        {{"/dev/ttyS0", "--chrony", "/run/c.sock", "--baud=9600"}, "unknown option '--baud'"},
    };
    for (const auto &[arguments, error] : mistakes) {
        const RefclockCommandLine line = read(arguments);
        EXPECT_EQ(std::make_tuple(line.run, line.exitStatus, line.output),
                  std::make_tuple(false, 2, ""))
            << error;
        EXPECT_EQ(line.error,
                  "dcf77-refclock: " + error + "; 'dcf77-refclock --help' lists the options\n");
    }
}

} // namespace
} // namespace dcf::refclock
