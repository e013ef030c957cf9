#include "app/refclock/refclock_options.h"

#include "timeservice/chrony_socket.h"

#include <algorithm>
#include <array>
#include <getopt.h>
#include <string_view>
#include <utility>

namespace dcf::refclock {

namespace {

constexpr const char *kProgramName = "dcf77-refclock";

constexpr const char *kHelp = R"(Usage: dcf77-refclock PORT --chrony SOCKET [OPTION]...
Reads the DCF77 time signal from a receiver module on the serial port PORT and gives chronyd a
sample of every second mark once two consecutive minutes agree, through its SOCK reference clock
at SOCKET ("refclock SOCK SOCKET" in chrony.conf). Prints one status line per minute.

  --chrony SOCKET   the socket that chronyd creates for its SOCK reference clock (required)
  --receiver KIND   how the receiver gives each second mark (default: recognised from the
                    signal within the first seconds):
                      characters        "1" and "0" characters at 38400 baud
                      dcd, cts, dsr, ri the level of that modem-status line
                      rxd50             one character at 50 baud per mark
  --invert          the mark is the modem-status line's inactive state
  --power LINES     which control lines power the receiver: none, dtr, rts or both
                    (default: dtr)
  -h, --help        print this help and exit
  --version         print the version and exit
)";

enum OptionId : int {
    kHelpOption = 'h',
    kVersionOption = 256,
    kChronyOption,
    kReceiverOption,
    kInvertOption,
    kPowerOption,
};

constexpr std::array<option, 7> kOptions {{
    {"help", no_argument, nullptr, kHelpOption},
    {"version", no_argument, nullptr, kVersionOption},
    {"chrony", required_argument, nullptr, kChronyOption},
    {"receiver", required_argument, nullptr, kReceiverOption},
    {"invert", no_argument, nullptr, kInvertOption},
    {"power", required_argument, nullptr, kPowerOption},
    {nullptr, 0, nullptr, 0},
}};

RefclockCommandLine stop(int status, std::string output, std::string error = {})
{
    return {.run = false,
            .exitStatus = status,
            .output = std::move(output),
            .error = std::move(error),
            .options = {}};
}

RefclockCommandLine usageError(const std::string &what)
{
    return stop(kUsageErrorStatus, {},
                std::string(kProgramName) + ": " + what + "; '" + kProgramName
                    + " --help' lists the options\n");
}

} // namespace

RefclockCommandLine readRefclockCommandLine(const std::vector<std::string> &arguments)
{
    // getopt_long permutes the array it is given: it gets copies.
    std::vector<std::string> copies = arguments;
    std::vector<char *> argv;
    for (std::string &argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(copies.size());

    RefclockCommandLine line;
    bool invert = false;
    optind = 0; // a fresh scan, and no messages of getopt's own
    opterr = 0;
    for (int option;
         (option = getopt_long(argc, argv.data(), ":h", kOptions.data(), nullptr)) != -1;) {
        const std::string value = optarg ? optarg : "";
        const std::string written = optind > 0 ? argv[static_cast<std::size_t>(optind - 1)] : "";
        switch (option) {
        case kHelpOption:
            return stop(0, kHelp);
        case kVersionOption:
            return stop(0, std::string(kProgramName) + " " + DCF77_VERSION + "\n");
        case kChronyOption:
            if (const auto problem = timeservice::ChronySocket::pathProblem(value))
                return usageError(*problem);
            line.options.chronySocket = value;
            break;
        case kReceiverOption:
            line.options.receiver.kind = receiverKindNamed(value);
            if (!line.options.receiver.kind)
                return usageError("--receiver is one of " + nameList(kReceiverKindNames) + ", not '"
                                  + value + "'");
            break;
        case kInvertOption:
            invert = true;
            break;
        case kPowerOption: {
            const auto power = valueNamed(kPowerLinesNames, value);
            if (!power)
                return usageError("--power is one of " + nameList(kPowerLinesNames) + ", not '"
                                  + value + "'");
            line.options.receiver.power = *power;
            break;
        }
        case ':':
            return usageError(written.substr(0, written.find('=')) + " needs a value");
        default:
            return usageError("unknown option '" + written.substr(0, written.find('=')) + "'");
        }
    }
    if (optind >= argc)
        return usageError("the serial port of the receiver is missing");
    line.options.port = argv[static_cast<std::size_t>(optind)];
    if (optind + 1 < argc)
        return usageError("unexpected argument '"
                          + std::string(argv[static_cast<std::size_t>(optind + 1)]) + "'");
    if (line.options.chronySocket.empty())
        return usageError(
            "--chrony SOCKET is missing: the socket of chrony's SOCK reference clock");
    if (invert) {
        const auto kind = line.options.receiver.kind;
        if (kind == ReceiverKind::Characters || kind == ReceiverKind::Rxd50)
            return usageError("--invert applies to a modem-status line (dcd, cts, dsr or ri)");
        line.options.receiver.polarity = Polarity::MarkWhileInactive;
    }
    return line;
}

} // namespace dcf::refclock
