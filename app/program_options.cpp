#include "app/program_options.h"

#include <algorithm>
#include <array>
#include <getopt.h>
#include <optional>
#include <string_view>
#include <sys/un.h>
#include <utility>

namespace dcf {

namespace {

constexpr const char *kProgramName = "dcf77";

constexpr const char *kHelp = R"(Usage: dcf77 [OPTION]...
Receives the DCF77 time signal from a receiver module on a serial port and shows the decoded
date and time. Type the port into "ComPort No." and press Start.

  --receiver KIND   how the receiver gives each second mark (default: recognised from the
                    signal within the first seconds):
                      characters        "1" and "0" characters at 38400 baud
                      dcd, cts, dsr, ri the level of that modem-status line
                      rxd50             one character at 50 baud per mark
  --invert          the mark is the modem-status line's inactive state (default: the state
                    that lasts 50 to 300 ms)
  --power LINES     which control lines power the receiver: none, dtr, rts or both
                    (default: dtr)
  --chrony SOCKET   give each trusted minute to chrony's SOCK reference clock at SOCKET
  -h, --help        print this help and exit
  --version         print the version and exit

Qt's own options, such as -platform NAME or -style NAME, are passed on to Qt.
The windows need a display; without one, run it offscreen: QT_QPA_PLATFORM=offscreen dcf77
)";

enum OptionId : int {
    kHelpOption = 'h',
    kVersionOption = 256,
    kReceiverOption,
    kInvertOption,
    kPowerOption,
    kChronyOption,
};

constexpr std::array<option, 7> kOptions {{
    {"help", no_argument, nullptr, kHelpOption},
    {"version", no_argument, nullptr, kVersionOption},
    {"receiver", required_argument, nullptr, kReceiverOption},
    {"invert", no_argument, nullptr, kInvertOption},
    {"power", required_argument, nullptr, kPowerOption},
    {"chrony", required_argument, nullptr, kChronyOption},
    {nullptr, 0, nullptr, 0},
}};

// QGuiApplication's and QApplication's options; the first group takes a value.
constexpr std::array<std::string_view, 11> kQtOptionsWithValue {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "style",
    "stylesheet"};
constexpr std::array<std::string_view, 6> kQtFlags {"reverse", "widgetcount", "nograb",
                                                    "dograb",  "sync",        "qmljsdebugger"};

template<std::size_t N>
bool contains(const std::array<std::string_view, N> &names, std::string_view name)
{
    for (std::string_view known : names) {
        if (known == name)
            return true;
    }
    return false;
}

/// The Qt option that `argument` is ("style" for "-style", "--style" and "-style=fusion"), and
/// whether its value is the next argument.
std::optional<std::pair<std::string_view, bool>> qtOption(std::string_view argument)
{
    if (argument.size() < 2 || argument[0] != '-')
        return std::nullopt;
    argument.remove_prefix(argument.starts_with("--") ? 2 : 1);
    const std::size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    if (contains(kQtOptionsWithValue, name))
        return std::pair {name, equals == std::string_view::npos};
    if (contains(kQtFlags, name))
        return std::pair {name, false};
    return std::nullopt;
}

CommandLine stop(int status, std::string output, std::string error = {})
{
    CommandLine line;
    line.run = false;
    line.exitStatus = status;
    line.output = std::move(output);
    line.error = std::move(error);
    return line;
}

CommandLine usageError(const std::string &what)
{
    return stop(kUsageErrorStatus, {},
                std::string(kProgramName) + ": " + what + "; '" + kProgramName
                    + " --help' lists the options\n");
}

/// The option as the user wrote it, for an error message ("--recv=x" is "--recv").
std::string writtenOption(const char *argument)
{
    const std::string_view written(argument);
    return std::string(written.substr(0, written.find('=')));
}

} // namespace

CommandLine readCommandLine(const std::vector<std::string> &arguments)
{
    CommandLine line;
    // getopt_long permutes and keeps pointers: it gets copies of ours, Qt gets its own.
    std::vector<std::string> own;
    if (!arguments.empty())
        own.push_back(arguments.front());
    for (std::size_t index = 1; index < arguments.size(); ++index) {
        const std::string &argument = arguments[index];
        if (argument == "--") {
            own.insert(own.end(), arguments.begin() + static_cast<std::ptrdiff_t>(index),
                       arguments.end());
            break;
        }
        const auto qt = qtOption(argument);
        if (!qt) {
            own.push_back(argument);
            continue;
        }
        line.qtArguments.push_back(argument);
        line.platformOption = line.platformOption || qt->first == "platform";
        if (qt->second && index + 1 < arguments.size())
            line.qtArguments.push_back(arguments[++index]);
    }

    std::vector<char *> argv;
    for (std::string &argument : own)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(argv.size()) - 1;

    // A fresh scan (GNU getopt re-initialises at optind 0), and no messages of getopt's own.
    optind = 0;
    opterr = 0;
    bool invert = false;
    int option = 0;
    while ((option = getopt_long(argc, argv.data(), ":h", kOptions.data(), nullptr)) != -1) {
        const std::string value = optarg ? optarg : "";
        switch (option) {
        case kHelpOption:
            return stop(0, kHelp);
        case kVersionOption:
            return stop(0, std::string(kProgramName) + " " + DCF77_VERSION + "\n");
        case kReceiverOption: {
            const auto kind = receiverKindNamed(value);
            if (!kind)
                return usageError("--receiver is one of " + nameList(kReceiverKindNames) + ", not '"
                                  + value + "'");
            line.options.receiver.kind = kind;
            break;
        }
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
        case kChronyOption:
            // The path must fit into a socket address, with its terminating zero.
            if (value.empty() || value.size() >= sizeof(sockaddr_un::sun_path))
                return usageError("--chrony needs the path of chrony's socket, at most "
                                  + std::to_string(sizeof(sockaddr_un::sun_path) - 1)
                                  + " bytes long");
            line.options.chronySocket = value;
            break;
        case ':':
            return usageError(writtenOption(argv[static_cast<std::size_t>(optind - 1)])
                              + " needs a value");
        default: {
            const std::string written = writtenOption(argv[static_cast<std::size_t>(optind - 1)]);
            // A known option given a value that it does not take: "--invert=yes".
            if (optopt != 0 && written.starts_with("--"))
                return usageError(written + " takes no value");
            if (optopt != 0)
                return usageError("unknown option '-" + std::string(1, char(optopt)) + "'");
            return usageError("unknown option '" + written + "'");
        }
        }
    }
    if (optind < argc)
        return usageError("unexpected argument '"
                          + std::string(argv[static_cast<std::size_t>(optind)]) + "'");

    if (invert) {
        const auto kind = line.options.receiver.kind;
        if (kind == ReceiverKind::Characters || kind == ReceiverKind::Rxd50)
            return usageError("--invert applies to a modem-status line (dcd, cts, dsr or ri), "
                              "not to --receiver "
                              + std::string(receiverKindName(*kind)));
        line.options.receiver.polarity = Polarity::MarkWhileInactive;
    }
    return line;
}

} // namespace dcf
