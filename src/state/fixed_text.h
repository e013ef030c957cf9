#pragma once

// Fixed-length texts of the shared state (zone word, weekday and month names), which pad and cut
// as the panels expect.

#include <cstddef>
#include <string>
#include <string_view>

namespace dcf {

/// Number of characters (UTF-8 code points) in a text.
std::size_t characterCount(std::string_view utf8);

/// A text field of exactly N characters: a shorter text is padded with blanks on the right, a
/// longer one is cut to N characters. Texts are UTF-8, so "März" counts four characters.
template<std::size_t N> class FixedText
{
public:
    FixedText() { assign({}); }

    void assign(std::string_view text)
    {
        m_text.clear();
        std::size_t count = 0;
        for (std::size_t pos = 0; pos < text.size() && count < N; ++count) {
            std::size_t next = pos + 1;
            while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
                ++next;
            m_text.append(text.substr(pos, next - pos));
            pos = next;
        }
        m_text.append(N - count, ' ');
    }

    FixedText &operator=(std::string_view text)
    {
        assign(text);
        return *this;
    }

    const std::string &str() const { return m_text; }
    static constexpr std::size_t length() { return N; }

private:
    std::string m_text;
};

} // namespace dcf
