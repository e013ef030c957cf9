#include "options.h"

#include "german_time.h"

#include <sys/ioctl.h>

namespace dcf::sim {

namespace {

constexpr int kMaxNoisePerSecond = 500;
constexpr int64_t kMaxSeconds = int64_t {1} << 40; // longer than anyone waits

enum Key : int {
    kLink = 256,
    kStart,
    kDuration,
    kLogWrites,
    kReceiver,
    kInvert,
    kNeedsPower,
    kJitter,
    kSeed,
    kShortMark,
    kLongMark,
    kMissingMark,
    kNoise,
    kFlood,
    kLeapSecond,
    kCallBit,
    kSilenceAfter,
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"link", required_argument, nullptr, kLink},
    {"start", required_argument, nullptr, kStart},
    {"duration", required_argument, nullptr, kDuration},
    {"log-writes", required_argument, nullptr, kLogWrites},
    {"receiver", required_argument, nullptr, kReceiver},
    {"invert", no_argument, nullptr, kInvert},
    {"needs-power", required_argument, nullptr, kNeedsPower},
    {"jitter", required_argument, nullptr, kJitter},
    {"seed", required_argument, nullptr, kSeed},
    {"short-mark", required_argument, nullptr, kShortMark},
    {"long-mark", required_argument, nullptr, kLongMark},
    {"missing-mark", required_argument, nullptr, kMissingMark},
    {"noise", required_argument, nullptr, kNoise},
    {"flood", no_argument, nullptr, kFlood},
    {"leap-second", optional_argument, nullptr, kLeapSecond},
    {"call-bit", no_argument, nullptr, kCallBit},
    {"silence-after", required_argument, nullptr, kSilenceAfter},
    {nullptr, 0, nullptr, 0},
};

/// Reads a legal time for `name`; returns why it is none.
std::string readTime(const std::string &name, const std::string &text, bool withSeconds,
                     std::optional<int64_t> &target)
{
    const InstantOrError time = parseLegalTime(text, withSeconds);
    target = time.utcSeconds;
    return time.error.empty() ? std::string() : name + ": " + time.error;
}

std::string readOne(int key, const std::string &name, const std::string &value, Options &options)
{
    SignalOptions &signal = options.signal;
    ReceiverSettings &receiver = options.receiver;
    switch (key) {
    case kLink:
        options.linkPath = value;
        return value.empty() ? "--link needs a path" : "";
    case kStart:
        return readTime(name, value, true, options.startUtc);
    case kDuration:
        return tools::readNumber(name, value, int64_t {1}, kMaxSeconds, options.durationSeconds);
    case kLogWrites:
        options.writeLogPath = value;
        return value.empty() ? "--log-writes needs a file" : "";
    case kReceiver: {
        const std::optional<ReceiverKind> kind = receiverKindNamed(value);
        receiver.kind = kind.value_or(ReceiverKind::Characters);
        return kind ? "" : "--receiver: no receiver kind \"" + value + "\" (see --help)";
    }
    case kInvert:
        receiver.invert = true;
        return {};
    case kNeedsPower:
        receiver.neededPower = value == "dtr" ? TIOCM_DTR
            : value == "rts"                  ? TIOCM_RTS
            : value == "both"                 ? TIOCM_DTR | TIOCM_RTS
                                              : 0;
        return receiver.neededPower ? "" : "--needs-power: dtr, rts or both, not \"" + value + "\"";
    case kJitter:
        return tools::readNumber(name, value, 0, kMaxJitterMs, signal.jitterMs);
    case kSeed:
        return tools::readNumber(name, value, uint64_t {0}, UINT64_MAX, signal.seed);
    case kShortMark:
    case kLongMark:
    case kMissingMark: {
        int64_t second = 0;
        std::string why = tools::readNumber(name, value, int64_t {0}, kMaxSeconds, second);
        const MarkFault fault = key == kShortMark ? MarkFault::Short
            : key == kLongMark                    ? MarkFault::Long
                                                  : MarkFault::Missing;
        if (why.empty())
            signal.faults.push_back({second, fault});
        return why;
    }
    case kNoise:
        return tools::readNumber(name, value, 0, kMaxNoisePerSecond, signal.noisePerSecond);
    case kFlood:
        options.flood = true;
        return {};
    case kLeapSecond:
        options.leapSecondNextHour = !optarg;
        return optarg ? readTime(name, value, false, signal.leapMinuteUtc) : "";
    case kCallBit:
        signal.callBit = true;
        return {};
    case kSilenceAfter:
        return tools::readNumber(name, value, int64_t {0}, kMaxSeconds,
                                 options.silenceAfterSeconds);
    }
    return "unknown option " + name;
}

} // namespace

const char kSimulatorHelp[] = R"(Usage: dcf77-sim [OPTION]...
A simulated DCF77 receiver module on a pseudo-terminal. It prints the device path of the
terminal as the first line, then sends "1" at the start and "0" at the end of every second
mark (100 ms for a 0 bit, 200 ms for a 1 bit, none in second 59), on the real second
boundaries, until it is stopped (Ctrl+C, SIGTERM) or --duration has passed.
Times are German legal time: CET, or CEST from the last Sunday of March to the last Sunday
of October; " CET" or " CEST" at the end of a time picks one of the two 02:xx hours of
the October change.

  -h, --help              show this text and exit

Port and run:
  --link PATH             also make PATH a symbolic link to the device, if PATH is free
                          or a symbolic link (removed at exit while it still points to
                          the device)
  --start "YYYY-MM-DD HH:MM:SS"
                          send this time from the next full second on, instead of the
                          current time
  --duration SEC          stop after SEC seconds
  --log-writes FILE       write a line to FILE for every edge of a mark as it is sent:
                          the CLOCK_MONOTONIC nanoseconds, then 1 or 0

Receiver:
  --receiver KIND         how the receiver gives the signal: characters ("1" and "0",
                          the default); dcd, cts, dsr or ri: the level of that modem-
                          status line, asserted for the mark (the program sees it
                          through the modem-line library); rxd50: a character on RxD
                          per mark, as a UART at the program's baud rate receives the
                          low pulse (0xF0 for 100 ms, 0x00 for 200 ms at 50 baud)
  --invert                a line's mark releases the line instead of asserting it
  --needs-power LINES     dtr, rts or both: send nothing until the program sets these
                          lines (through the modem-line library)

Signal faults (the same --seed gives the same faults):
  --jitter MS             move every edge by a random amount within +-MS ms (0 to 200)
  --seed N                seed for jitter, noise and flood (default 1)
  --short-mark SEC        the mark in second SEC after the start lasts 20 ms
  --long-mark SEC         the mark in second SEC after the start lasts 300 ms
  --missing-mark SEC      no mark in second SEC after the start
                          (these three may be repeated; a second without a mark stays so)
  --noise N               N random characters other than "0" and "1" per second (0 to 500)
  --flood                 also send random bytes as fast as the terminal takes them
  --leap-second[="YYYY-MM-DD HH:MM"]
                          give the minute that ends at the next full hour (or the given
                          minute) a 61st second, announced during the hour before
  --call-bit              set bit 15 (call bit)
  --silence-after SEC     send nothing from SEC seconds after the start on

Exit status: 0 when stopped or done, 1 when the terminal, the link or the log cannot
be made or PATH is not free, 2 for a bad option or value.
)";

tools::Reading readSimulatorOptions(int argc, char **argv, Options &options)
{
    tools::Reading reading
        = tools::readOptions(argc, argv, kOptions, [&options](int key, const std::string &name) {
              return readOne(key, name, optarg ? optarg : "", options);
          });
    if (reading.kind == tools::Reading::Run && options.receiver.invert
        && statusLineOf(options.receiver.kind) == 0)
        reading = {tools::Reading::Refused, "--invert needs a receiver on dcd, cts, dsr or ri"};
    return reading;
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
