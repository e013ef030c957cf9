#include "replay.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

namespace dcf::sim {

namespace {

constexpr int64_t kLongestOffsetMs = int64_t {1} << 52; // far beyond any run, safe from overflow

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::optional<int> hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

/// The characters of one token with the escapes resolved, or an error text.
std::optional<std::string> unescape(std::string_view token, std::string &error)
{
    std::string result;
    for (std::size_t k = 0; k < token.size(); ++k) {
        if (token[k] != '\\') {
            result.push_back(token[k]);
            continue;
        }
        if (k + 1 < token.size() && token[k + 1] == '\\') {
            result.push_back('\\');
            ++k;
            continue;
        }
        std::optional<int> high;
        std::optional<int> low;
        if (k + 3 < token.size() && token[k + 1] == 'x') {
            high = hexDigit(token[k + 2]);
            low = hexDigit(token[k + 3]);
        }
        if (!high || !low) {
            error = "unknown escape in \"" + std::string(token) + "\" (use \\xHH or \\\\)";
            return std::nullopt;
        }
        result.push_back(static_cast<char>(*high * 16 + *low));
        k += 3;
    }
    return result;
}

} // namespace

std::vector<Emission> parseReplay(std::istream &input, const std::string &name)
{
    std::vector<Emission> emissions;
    std::string line;
    int lineNumber = 0;
    while (std::getline(input, line)) {
        ++lineNumber;
        const auto fail = [&](const std::string &why) {
            throw ReplayError(name + ":" + std::to_string(lineNumber) + ": " + why);
        };
        if (!line.empty() && line.back() == '\r')
            line.pop_back();

        std::size_t pos = 0;
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        if (pos == line.size() || line[pos] == '#')
            continue;

        const std::size_t digitsBegin = pos;
        int64_t offset = 0;
        while (pos < line.size() && std::isdigit(static_cast<unsigned char>(line[pos]))) {
            offset = offset * 10 + (line[pos] - '0');
            if (offset > kLongestOffsetMs)
                fail("offset too large");
            ++pos;
        }
        if (pos == digitsBegin || pos == line.size() || !isBlank(line[pos]))
            fail("expected \"MILLISECONDS CHARACTERS\", got \"" + line + "\"");
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        const std::size_t tokenBegin = pos;
        while (pos < line.size() && !isBlank(line[pos]))
            ++pos;
        if (pos == tokenBegin || line[tokenBegin] == '#')
            fail("no characters after the offset " + std::to_string(offset));
        const std::string_view token = std::string_view(line).substr(tokenBegin, pos - tokenBegin);
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        if (pos < line.size() && line[pos] != '#') {
            fail("unexpected \"" + line.substr(pos)
                 + "\" after the characters (write a blank as \\x20)");
        }

        std::string error;
        std::optional<std::string> characters = unescape(token, error);
        if (!characters)
            fail(error);
        if (!emissions.empty() && offset < emissions.back().atMs) {
            fail("the offset " + std::to_string(offset) + " lies before the previous one ("
                 + std::to_string(emissions.back().atMs) + ")");
        }
        emissions.push_back({offset, std::move(*characters), {}});
    }
    if (input.bad())
        throw ReplayError(name + ": read error");
    return emissions;
}

std::vector<Emission> loadReplay(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw ReplayError(path + ": cannot open: " + std::strerror(errno));
    return parseReplay(file, path);
}

} // namespace dcf::sim
