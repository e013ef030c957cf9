#pragma once

// The command line of every tool (simulator, scripted user, benchmark): each option is declared
// once with its help, read as "--name VALUE" or "--name=VALUE", and a bad one ends the tool with
// a message that names it and exit status 2. Qt-free.

#include <charconv>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dcf::tools {

inline constexpr int kExitBadUsage = 2;

class CommandLine
{
public:
    /// `usage` follows "Usage: PROGRAM"; `about` follows the usage line.
    CommandLine(std::string program, std::string usage, std::string about);

    /// Takes a value and returns why it is refused, or the empty text.
    using Taker = std::function<std::string(const std::string &value)>;

    /// A heading in the help above the options declared after it.
    void section(std::string heading);
    /// An option without a value. An empty `help` leaves it out of the help (internal options).
    void flag(std::string name, std::string help, bool &target);
    /// An option with a value; `repeatable` lets it be given more than once.
    void value(std::string name, std::string valueName, std::string help, Taker take,
               bool repeatable = false);
    /// An option whose value may be left out; it is then given only as "--name=VALUE", and
    /// `take` gets nothing.
    void optionalValue(std::string name, std::string valueName, std::string help,
                       std::function<std::string(const std::optional<std::string> &)> take);
    /// A whole number from `low` to `high`, stored in `target` (a number or an optional one).
    template<typename Number, typename Target>
    void number(std::string name, std::string valueName, std::string help, Target &target,
                Number low, Number high);
    /// Text printed after the options.
    void epilogue(std::string text) { m_epilogue = std::move(text); }

    struct Outcome
    {
        enum Kind { Run, Help, Error } kind = Run;
        std::string error;
    };
    /// Reads the arguments that follow the program name.
    Outcome read(const std::vector<std::string> &arguments);
    std::string helpText() const;

    /// Reads argv; prints the help, or the error to standard error. Returns the exit status then,
    /// or nothing when the tool is to run.
    std::optional<int> readOrExit(int argc, char **argv);
    /// Prints "PROGRAM: why" to standard error and returns kExitBadUsage.
    int refuse(const std::string &why) const;

private:
    enum class Value { None, Required, Optional };
    struct Option
    {
        std::string name;
        std::string valueName;
        std::string help;
        Value value = Value::None;
        bool repeatable = false;
        std::function<std::string(const std::optional<std::string> &)> take;
    };
    const Option *find(const std::string &name) const;

    std::string m_program;
    std::string m_usage;
    std::string m_about;
    std::string m_epilogue;
    /// A heading is an entry without a name and with the heading as its help.
    std::vector<Option> m_options;
};

/// Reads a whole number from `low` to `high` into `result`; returns why `text` is none, naming
/// the option `name`, or the empty text.
template<typename Number>
std::string readWholeNumber(const std::string &name, const std::string &text, Number low,
                            Number high, Number &result)
{
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, result);
    if (error == std::errc() && stop == end && result >= low && result <= high)
        return {};
    return name + " wants a whole number from " + std::to_string(low) + " to "
        + std::to_string(high) + ", not \"" + text + "\"";
}

template<typename Number, typename Target>
void CommandLine::number(std::string name, std::string valueName, std::string help, Target &target,
                         Number low, Number high)
{
    value(name, std::move(valueName), std::move(help),
          [name, &target, low, high](const std::string &text) {
              Number parsed {};
              std::string why = readWholeNumber(name, text, low, high, parsed);
              if (why.empty())
                  target = parsed;
              return why;
          });
}

} // namespace dcf::tools
