#pragma once

// What every tool's getopt_long loop shares: whole numbers in a range, getopt's stops worded for
// the user, and the exit for --help (status 0) or a bad option (status 2). Qt-free.

#include <charconv>
#include <getopt.h>
#include <optional>
#include <string>

namespace dcf::tools {

inline constexpr int kExitBadUsage = 2;

/// What a command line came to.
struct Reading
{
    enum Kind { Run, Help, Refused } kind = Run;
    /// Why it was refused, naming the option.
    std::string why;
};

/// Reads `text` as a whole number from `low` to `high` into `target`. Returns why it is none,
/// naming the option `name`, or the empty text.
template<typename Number, typename Target>
std::string readNumber(const std::string &name, const std::string &text, Number low, Number high,
                       Target &target)
{
    Number number {};
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (error == std::errc() && stop == end && number >= low && number <= high) {
        target = number;
        return {};
    }
    return name + " wants a whole number from " + std::to_string(low) + " to "
        + std::to_string(high) + ", not \"" + text + "\"";
}

/// Why getopt_long returned `key` ('?' or ':', with ":" leading its short options) for the
/// argument before `optind`.
std::string getoptRefusal(int key, char **argv, const option *options);

/// Runs the tool's option loop: prepares getopt for a fresh reading, and refuses arguments that
/// are not options. `readOne(key, name)` takes each option getopt_long returns ('h' is --help),
/// with `name` its "--long" name, and returns why it is refused or the empty text.
template<typename ReadOne>
Reading readOptions(int argc, char **argv, const option *options, ReadOne readOne)
{
    optind = 0; // also resets getopt's state from an earlier reading
    opterr = 0;
    int index = 0;
    for (int key; (key = getopt_long(argc, argv, ":h", options, &index)) != -1;) {
        if (key == 'h')
            return {Reading::Help, {}};
        if (key == '?' || key == ':')
            return {Reading::Refused, getoptRefusal(key, argv, options)};
        std::string why = readOne(key, std::string("--") + options[index].name);
        if (!why.empty())
            return {Reading::Refused, std::move(why)};
    }
    if (optind < argc)
        return {Reading::Refused,
                std::string("unexpected argument \"") + argv[optind] + "\" (see --help)"};
    return {};
}

/// Prints the help (status 0) or "PROGRAM: why" to standard error (status 2); nothing when
/// the tool is to run.
std::optional<int> exitFor(const Reading &reading, const char *program, const char *help);

/// Prints "PROGRAM: why" to standard error and returns kExitBadUsage.
int refuse(const char *program, const std::string &why);

} // namespace dcf::tools
