#include "options.h"

#include "german_time.h"

#include <charconv>
#include <set>
#include <string_view>

namespace dcf::sim {

namespace {

constexpr int64_t kMaxNoisePerSecond = 500;
constexpr int64_t kMaxSeconds = int64_t {1} << 40; // longer than anyone waits

/// A whole decimal number within [low, high], or nothing.
template<typename Number>
std::optional<Number> parseNumber(std::string_view text, Number low, Number high)
{
    Number value {};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

class Parser
{
public:
    explicit Parser(const std::vector<std::string> &arguments)
        : m_arguments(arguments)
    { }

    OptionsOrError run();

private:
    /// The value of the option at m_index: after "=", or the next argument.
    std::optional<std::string> value(std::string_view name, std::optional<std::string> inlineValue);
    bool fail(const std::string &error)
    {
        if (m_error.empty())
            m_error = error;
        return false;
    }
    bool once(std::string_view name)
    {
        if (!m_seen.insert(std::string(name)).second)
            return fail(std::string(name) + " is given more than once");
        return true;
    }
    template<typename Number>
    std::optional<Number> number(std::string_view name, const std::string &text, Number low,
                                 Number high, std::string_view unit)
    {
        const auto parsed = parseNumber<Number>(text, low, high);
        if (!parsed) {
            const std::string of = unit.empty() ? "" : " of " + std::string(unit);
            fail(std::string(name) + " wants a whole number" + of + " from " + std::to_string(low)
                 + " to " + std::to_string(high) + ", not \"" + text + "\"");
        }
        return parsed;
    }
    bool handle(std::string_view name, std::optional<std::string> inlineValue);

    const std::vector<std::string> &m_arguments;
    std::size_t m_index = 0;
    Options m_options;
    std::set<std::string> m_seen;
    std::string m_error;
};

std::optional<std::string> Parser::value(std::string_view name,
                                         std::optional<std::string> inlineValue)
{
    if (inlineValue)
        return inlineValue;
    if (m_index + 1 >= m_arguments.size()) {
        fail(std::string(name) + " needs a value");
        return std::nullopt;
    }
    return m_arguments[++m_index];
}

bool Parser::handle(std::string_view name, std::optional<std::string> inlineValue)
{
    Options &o = m_options;
    const auto flag = [&](bool &target) {
        if (inlineValue)
            return fail(std::string(name) + " takes no value");
        target = true;
        return true;
    };
    const auto fault = [&](MarkFault kind) {
        const auto text = value(name, inlineValue);
        if (!text)
            return false;
        const auto second = number<int64_t>(name, *text, 0, kMaxSeconds, "seconds");
        if (!second)
            return false;
        o.faults.push_back({*second, kind});
        return true;
    };

    if (name == "--help" || name == "-h")
        return flag(o.help);
    if (name == "--verbose")
        return flag(o.verbose);
    if (name == "--flood")
        return flag(o.flood);
    if (name == "--call-bit")
        return flag(o.callBit);
    if (name == "--short-mark")
        return fault(MarkFault::Short);
    if (name == "--long-mark")
        return fault(MarkFault::Long);
    if (name == "--missing-mark")
        return fault(MarkFault::Missing);
    if (name == "--leap-second") {
        if (!once(name))
            return false;
        if (!inlineValue) {
            o.leapSecondNextHour = true;
            return true;
        }
        const InstantOrError minute = parseLegalTime(*inlineValue, false);
        if (!minute.utcSeconds)
            return fail("--leap-second: " + minute.error);
        o.leapMinuteUtc = minute.utcSeconds;
        return true;
    }

    static const std::set<std::string_view> kValued
        = {"--start",  "--duration", "--link",  "--replay",
           "--jitter", "--seed",     "--noise", "--silence-after"};
    if (!kValued.contains(name))
        return fail("unknown option " + std::string(name) + " (see --help)");
    if (!once(name))
        return false;
    const auto text = value(name, inlineValue);
    if (!text)
        return false;

    if (name == "--start") {
        const InstantOrError start = parseLegalTime(*text, true);
        if (!start.utcSeconds)
            return fail("--start: " + start.error);
        o.startUtc = start.utcSeconds;
        return true;
    }
    if (name == "--link" || name == "--replay") {
        if (text->empty())
            return fail(std::string(name) + " needs a path");
        (name == "--link" ? o.linkPath : o.replayPath) = *text;
        return true;
    }
    if (name == "--duration") {
        o.durationSeconds = number<int64_t>(name, *text, 1, kMaxSeconds, "seconds");
        return o.durationSeconds.has_value();
    }
    if (name == "--silence-after") {
        o.silenceAfterSeconds = number<int64_t>(name, *text, 0, kMaxSeconds, "seconds");
        return o.silenceAfterSeconds.has_value();
    }
    if (name == "--jitter") {
        const auto jitter = number<int>(name, *text, 0, kMaxJitterMs, "milliseconds");
        o.jitterMs = jitter.value_or(0);
        return jitter.has_value();
    }
    if (name == "--noise") {
        const auto noise = number<int64_t>(name, *text, 0, kMaxNoisePerSecond, "characters");
        o.noisePerSecond = static_cast<int>(noise.value_or(0));
        return noise.has_value();
    }
    const auto seed = number<uint64_t>(name, *text, 0, UINT64_MAX, "");
    o.seed = seed.value_or(1);
    return seed.has_value();
}

OptionsOrError Parser::run()
{
    for (m_index = 0; m_index < m_arguments.size(); ++m_index) {
        const std::string &argument = m_arguments[m_index];
        if (!argument.starts_with("-"))
            return {std::nullopt, "unexpected argument \"" + argument + "\" (see --help)"};
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        std::optional<std::string> inlineValue;
        if (equals != std::string::npos)
            inlineValue = argument.substr(equals + 1);
        if (!handle(name, inlineValue))
            return {std::nullopt, m_error};
    }

    const Options &o = m_options;
    if (o.replayPath) {
        const std::pair<bool, const char *> shaping[]
            = {{o.startUtc.has_value(), "--start"},
               {o.jitterMs != 0, "--jitter"},
               {o.noisePerSecond != 0, "--noise"},
               {!o.faults.empty(), "--short-mark, --long-mark and --missing-mark"},
               {o.callBit, "--call-bit"},
               {o.leapSecondNextHour || o.leapMinuteUtc, "--leap-second"}};
        for (const auto &[given, what] : shaping) {
            if (given) {
                return {std::nullopt,
                        std::string(what)
                            + " cannot be combined with --replay, which plays "
                              "a recording as it is"};
            }
        }
    }
    return {m_options, {}};
}

} // namespace

OptionsOrError parseOptions(const std::vector<std::string> &arguments)
{
    return Parser(arguments).run();
}

SignalOptions signalOptionsFor(const Options &options, int64_t startUtc)
{
    SignalOptions signal;
    signal.startUtc = startUtc;
    signal.callBit = options.callBit;
    signal.jitterMs = options.jitterMs;
    signal.seed = options.seed;
    signal.noisePerSecond = options.noisePerSecond;
    signal.faults = options.faults;
    signal.leapMinuteUtc = options.leapMinuteUtc;
    if (options.leapSecondNextHour) {
        signal.leapMinuteUtc
            = (floorDiv(startUtc, kSecondsPerHour) + 1) * kSecondsPerHour - kSecondsPerMinute;
    }
    if (options.silenceAfterSeconds)
        signal.silenceAfterMs = *options.silenceAfterSeconds * 1000;
    return signal;
}

std::string helpText()
{
    return R"(Usage: dcf77-sim [OPTION]...
A simulated DCF77 receiver module on a pseudo-terminal. It prints the device path of the
terminal as the first line, then sends "1" at the start and "0" at the end of every second
mark (100 ms for a 0 bit, 200 ms for a 1 bit, none in second 59), on the real second
boundaries, until it is stopped (Ctrl+C, SIGTERM) or --duration has passed.
Times are German legal time: CET, or CEST from the last Sunday of March to the last Sunday
of October. WHEN takes " CET" or " CEST" at the end to pick one of the two 02:xx hours of
the October change.

Port and run:
  --link PATH             also make PATH a symbolic link to the device (replaced if it
                          exists, removed at exit)
  --start "YYYY-MM-DD HH:MM:SS"
                          send this time from the next full second on, instead of the
                          current time
  --duration SEC          stop after SEC seconds
  --verbose               log every minute's time and bits to stderr
  -h, --help              show this text and exit

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

Recording:
  --replay FILE           play FILE instead of the generated signal: lines
                          "MILLISECONDS CHARACTERS" with the offset from the start, e.g.
                          "1000 1"; "#" starts a comment; \xHH is any byte, \\ a backslash

Exit status: 0 when stopped or done, 1 when the terminal or the link cannot be made,
2 for a bad option or value, or a recording that cannot be read.
)";
}

} // namespace dcf::sim
