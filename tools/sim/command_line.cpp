#include "command_line.h"

#include <iostream>
#include <set>

namespace dcf::tools {

namespace {

/// Where the help texts of the options begin.
constexpr std::size_t kHelpColumn = 26;

} // namespace

CommandLine::CommandLine(std::string program, std::string usage, std::string about)
    : m_program(std::move(program))
    , m_usage(std::move(usage))
    , m_about(std::move(about))
{ }

void CommandLine::section(std::string heading)
{
    m_options.push_back({{}, {}, std::move(heading), Value::None, false, {}});
}

void CommandLine::flag(std::string name, std::string help, bool &target)
{
    m_options.push_back({std::move(name),
                         {},
                         std::move(help),
                         Value::None,
                         false,
                         [&target](const std::optional<std::string> &) {
                             target = true;
                             return std::string();
                         }});
}

void CommandLine::value(std::string name, std::string valueName, std::string help, Taker take,
                        bool repeatable)
{
    m_options.push_back({std::move(name), std::move(valueName), std::move(help), Value::Required,
                         repeatable,
                         [take = std::move(take)](const std::optional<std::string> &value) {
                             return take(*value);
                         }});
}

void CommandLine::optionalValue(std::string name, std::string valueName, std::string help,
                                std::function<std::string(const std::optional<std::string> &)> take)
{
    m_options.push_back({std::move(name), std::move(valueName), std::move(help), Value::Optional,
                         false, std::move(take)});
}

const CommandLine::Option *CommandLine::find(const std::string &name) const
{
    for (const Option &option : m_options) {
        if (!option.name.empty() && option.name == name)
            return &option;
    }
    return nullptr;
}

CommandLine::Outcome CommandLine::read(const std::vector<std::string> &arguments)
{
    const auto refused = [](std::string why) {
        return Outcome {Outcome::Error, std::move(why)};
    };
    std::set<std::string> seen;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string &argument = arguments[index];
        if (argument == "--help" || argument == "-h")
            return {Outcome::Help, {}};
        if (!argument.starts_with("-"))
            return refused("unexpected argument \"" + argument + "\" (see --help)");
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const Option *option = find(name);
        if (!option)
            return refused("unknown option " + name + " (see --help)");
        if (!option->repeatable && !seen.insert(name).second)
            return refused(name + " is given more than once");

        std::optional<std::string> value;
        if (equals != std::string::npos)
            value = argument.substr(equals + 1);
        if (option->value == Value::None && value)
            return refused(name + " takes no value");
        if (option->value == Value::Required && !value) {
            if (index + 1 == arguments.size())
                return refused(name + " needs a value");
            value = arguments[++index];
        }
        std::string why = option->take(value);
        if (!why.empty())
            return refused(std::move(why));
    }
    return {Outcome::Run, {}};
}

std::string CommandLine::helpText() const
{
    std::string text = "Usage: " + m_program + " " + m_usage + "\n" + m_about + "\n";
    const std::string indent(kHelpColumn, ' ');
    const auto entry = [&](std::string left, const std::string &help) {
        left = "  " + left;
        text += left + (left.size() < kHelpColumn ? indent.substr(left.size()) : "\n" + indent);
        for (const char c : help)
            text += c == '\n' ? "\n" + indent : std::string(1, c);
        text += '\n';
    };
    text += '\n';
    entry("-h, --help", "show this text and exit");
    for (const Option &option : m_options) {
        if (option.name.empty())
            text += "\n" + option.help + "\n";
        else if (option.help.empty())
            continue; // internal
        else if (option.value == Value::Required)
            entry(option.name + " " + option.valueName, option.help);
        else if (option.value == Value::Optional)
            entry(option.name + "[=" + option.valueName + "]", option.help);
        else
            entry(option.name, option.help);
    }
    if (!m_epilogue.empty())
        text += "\n" + m_epilogue + "\n";
    return text;
}

std::optional<int> CommandLine::readOrExit(int argc, char **argv)
{
    const Outcome outcome = read(std::vector<std::string>(argv + 1, argv + argc));
    if (outcome.kind == Outcome::Help) {
        std::cout << helpText();
        return 0;
    }
    if (outcome.kind == Outcome::Error)
        return refuse(outcome.error);
    return std::nullopt;
}

int CommandLine::refuse(const std::string &why) const
{
    std::cerr << m_program << ": " << why << '\n';
    return kExitBadUsage;
}

} // namespace dcf::tools
