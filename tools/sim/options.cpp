#include "options.h"

#include "german_time.h"

#include <sys/ioctl.h>

namespace dcf::sim {

namespace {

constexpr int kMaxNoisePerSecond = 500;
constexpr int64_t kMaxSeconds = int64_t {1} << 40; // longer than anyone waits

} // namespace

tools::CommandLine simulatorCommandLine(Options &options)
{
    tools::CommandLine line(
        "dcf77-sim", "[OPTION]...",
        "A simulated DCF77 receiver module on a pseudo-terminal. It prints the device path of the\n"
        "terminal as the first line, then sends \"1\" at the start and \"0\" at the end of every "
        "second\nmark (100 ms for a 0 bit, 200 ms for a 1 bit, none in second 59), on the real "
        "second\nboundaries, until it is stopped (Ctrl+C, SIGTERM) or --duration has passed.\n"
        "Times are German legal time: CET, or CEST from the last Sunday of March to the last "
        "Sunday\nof October; \" CET\" or \" CEST\" at the end of a time picks one of the two 02:xx "
        "hours of\nthe October change.");
    SignalOptions &signal = options.signal;

    line.section("Port and run:");
    line.value("--link", "PATH",
               "also make PATH a symbolic link to the device (replaced if it\n"
               "exists, removed at exit)",
               [&options](const std::string &path) {
                   options.linkPath = path;
                   return path.empty() ? std::string("--link needs a path") : std::string();
               });
    line.value("--start", "\"YYYY-MM-DD HH:MM:SS\"",
               "send this time from the next full second on, instead of the\ncurrent time",
               [&options](const std::string &text) {
                   const InstantOrError start = parseLegalTime(text);
                   options.startUtc = start.utcSeconds;
                   return start.error.empty() ? std::string() : "--start: " + start.error;
               });
    line.number("--duration", "SEC", "stop after SEC seconds", options.durationSeconds, int64_t {1},
                kMaxSeconds);
    line.value("--log-writes", "FILE",
               "write a line to FILE for every mark's edge as it is sent: the\n"
               "CLOCK_MONOTONIC nanoseconds just before the write, then 1 or 0",
               [&options](const std::string &path) {
                   options.writeLogPath = path;
                   return path.empty() ? std::string("--log-writes needs a file") : std::string();
               });

    line.section("Receiver:");
    line.value("--receiver", "KIND",
               "how the receiver gives the signal: characters (\"1\" and \"0\",\n"
               "the default), the level of the line dcd, cts, dsr or ri, or\n"
               "rxd50 (a character on RxD per mark, as a UART at the baud\n"
               "rate set on the terminal receives the low pulse)",
               [&options](const std::string &name) {
                   const std::optional<ReceiverKind> kind = receiverKindNamed(name);
                   options.receiver.kind = kind.value_or(ReceiverKind::Characters);
                   return kind ? std::string() : "--receiver: no receiver kind \"" + name + "\"";
               });
    line.flag("--invert", "the mark releases the line instead of asserting it",
              options.receiver.invert);
    line.value("--needs-power", "LINES",
               "dtr, rts or both: send nothing while the program has not\n"
               "set these lines (with the modem-line library)",
               [&options](const std::string &name) {
                   const uint32_t lines = name == "dtr" ? TIOCM_DTR
                       : name == "rts"                  ? TIOCM_RTS
                       : name == "both"                 ? TIOCM_DTR | TIOCM_RTS
                                                        : 0;
                   options.receiver.neededPower = lines;
                   return lines ? std::string()
                                : "--needs-power: dtr, rts or both, not \"" + name + "\"";
               });

    line.section("Signal faults (the same --seed gives the same faults):");
    line.number("--jitter", "MS", "move every edge by a random amount within +-MS ms (0 to 200)",
                signal.jitterMs, 0, kMaxJitterMs);
    line.number("--seed", "N", "seed for jitter, noise and flood (default 1)", signal.seed,
                uint64_t {0}, UINT64_MAX);
    const struct
    {
        const char *name;
        MarkFault kind;
        const char *help;
    } faults[] = {
        {"--short-mark", MarkFault::Short, "the mark in second SEC after the start lasts 20 ms"},
        {"--long-mark", MarkFault::Long, "the mark in second SEC after the start lasts 300 ms"},
        {"--missing-mark", MarkFault::Missing,
         "no mark in second SEC after the start\n"
         "(these three may be repeated; a second without a mark stays so)"},
    };
    for (const auto &fault : faults) {
        line.value(
            fault.name, "SEC", fault.help,
            [&signal, name = std::string(fault.name), kind = fault.kind](const std::string &text) {
                int64_t second = 0;
                std::string why
                    = tools::readWholeNumber(name, text, int64_t {0}, kMaxSeconds, second);
                if (why.empty())
                    signal.faults.push_back({second, kind});
                return why;
            },
            true);
    }
    line.number("--noise", "N",
                "N random characters other than \"0\" and \"1\" per second (0 to 500)",
                signal.noisePerSecond, 0, kMaxNoisePerSecond);
    line.flag("--flood", "also send random bytes as fast as the terminal takes them",
              options.flood);
    line.optionalValue("--leap-second", "\"YYYY-MM-DD HH:MM\"",
                       "give the minute that ends at the next full hour (or the given\n"
                       "minute) a 61st second, announced during the hour before",
                       [&options](const std::optional<std::string> &text) {
                           if (!text) {
                               options.leapSecondNextHour = true;
                               return std::string();
                           }
                           const InstantOrError minute = parseLegalTime(*text, false);
                           options.signal.leapMinuteUtc = minute.utcSeconds;
                           return minute.error.empty() ? std::string()
                                                       : "--leap-second: " + minute.error;
                       });
    line.flag("--call-bit", "set bit 15 (call bit)", signal.callBit);
    line.number("--silence-after", "SEC", "send nothing from SEC seconds after the start on",
                options.silenceAfterSeconds, int64_t {0}, kMaxSeconds);

    line.epilogue("Exit status: 0 when stopped or done, 1 when the terminal, the link or the log "
                  "cannot\nbe made, 2 for a bad option or value.");
    return line;
}

SignalOptions signalFrom(const Options &options, int64_t startUtc)
{
    SignalOptions signal = options.signal;
    signal.startUtc = startUtc;
    if (options.leapSecondNextHour) {
        signal.leapMinuteUtc
            = (floorDiv(startUtc, kSecondsPerHour) + 1) * kSecondsPerHour - kSecondsPerMinute;
    }
    if (options.silenceAfterSeconds)
        signal.silenceAfterMs = *options.silenceAfterSeconds * 1000;
    return signal;
}

} // namespace dcf::sim
