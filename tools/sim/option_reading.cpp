#include "option_reading.h"

#include <iostream>

namespace dcf::tools {

std::string getoptRefusal(int key, char **argv, const option *options)
{
    const option *named = nullptr;
    for (const option *known = options; known->name; ++known) {
        if (optopt != 0 && known->val == optopt)
            named = known;
    }
    if (key == ':' && named)
        return std::string("--") + named->name + " needs a value";
    if (named)
        return std::string("--") + named->name + " takes no value";
    // An unknown or ambiguous option: as given, without its value.
    const std::string given = optopt != 0 ? std::string("-") + static_cast<char>(optopt)
                                          : std::string(argv[optind - 1]);
    return "unknown option " + given.substr(0, given.find('=')) + " (see --help)";
}

std::optional<int> exitFor(const Reading &reading, const char *program, const char *help)
{
    if (reading.kind == Reading::Help) {
        std::cout << help;
        return 0;
    }
    if (reading.kind == Reading::Refused)
        return refuse(program, reading.why);
    return std::nullopt;
}

int refuse(const char *program, const std::string &why)
{
    std::cerr << program << ": " << why << '\n';
    return kExitBadUsage;
}

} // namespace dcf::tools
