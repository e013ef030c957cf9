#include "ui/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace dcf {

namespace {

bool isSkippedBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

/// What the lenient reading accepted, blanks removed: the sign, the mantissa's digits around the
/// decimal point and the exponent (saturated, see below).
struct ScannedNumber
{
    bool negative = false;
    std::string integerDigits;
    std::string fractionDigits;
    long long exponent = 0;
};

/// Walks the text as far as it forms a number; blanks anywhere are passed over.
class Scanner
{
public:
    explicit Scanner(std::string_view text)
        : m_text(text)
    { }

    ScannedNumber scan()
    {
        ScannedNumber number;
        if (peek() == '-' || peek() == '+') {
            number.negative = peek() == '-';
            advance();
        }
        while (isDigit(peek())) {
            number.integerDigits.push_back(peek());
            advance();
        }
        if (peek() == '.') {
            advance();
            while (isDigit(peek())) {
                number.fractionDigits.push_back(peek());
                advance();
            }
        }
        if (!number.integerDigits.empty() || !number.fractionDigits.empty())
            number.exponent = scanExponent(number);
        return number;
    }

private:
    /// The exponent after E or e; an exponent letter without digits belongs to the rest of the
    /// text.
    long long scanExponent(const ScannedNumber &number)
    {
        if (peek() != 'E' && peek() != 'e')
            return 0;
        const std::size_t letter = m_position;
        advance();
        bool negative = false;
        if (peek() == '-' || peek() == '+') {
            negative = peek() == '-';
            advance();
        }
        if (!isDigit(peek())) {
            m_position = letter;
            return 0;
        }
        // Beyond this bound every mantissa of these digits overflows or underflows anyway, so
        // stopping there keeps the result and the arithmetic stays inside long long.
        const auto bound
            = static_cast<long long>(number.integerDigits.size() + number.fractionDigits.size())
            + 1000;
        long long value = 0;
        while (isDigit(peek())) {
            value = std::min(bound, value * 10 + (peek() - '0'));
            advance();
        }
        return negative ? -value : value;
    }

    char peek()
    {
        while (m_position < m_text.size() && isSkippedBlank(m_text[m_position]))
            ++m_position;
        return m_position < m_text.size() ? m_text[m_position] : '\0';
    }

    void advance() { ++m_position; }

    std::string_view m_text;
    std::size_t m_position = 0;
};

/// Power of ten of the leading non-zero digit, including the exponent; only for non-zero
/// mantissas.
long long leadingMagnitude(const ScannedNumber &number)
{
    const std::size_t firstInteger = number.integerDigits.find_first_not_of('0');
    if (firstInteger != std::string::npos) {
        return static_cast<long long>(number.integerDigits.size() - firstInteger) - 1
            + number.exponent;
    }
    const std::size_t firstFraction = number.fractionDigits.find_first_not_of('0');
    return -static_cast<long long>(firstFraction) - 1 + number.exponent;
}

bool isZero(const ScannedNumber &number)
{
    return number.integerDigits.find_first_not_of('0') == std::string::npos
        && number.fractionDigits.find_first_not_of('0') == std::string::npos;
}

} // namespace

std::string numberToText(float value)
{
    if (std::isnan(value) || value == 0)
        return "0"; // no "-0"
    if (std::isinf(value))
        value = std::copysign(std::numeric_limits<float>::max(), value);
    // Fixed notation with the fewest digits that read back as the same float: whole numbers get
    // no decimal part, fractions never an exponent. The largest float needs 39 digits, the
    // smallest fraction 47 characters.
    char buffer[64];
    const auto result
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc {})
        return "0";
    return {buffer, result.ptr};
}

double textToNumber(std::string_view text)
{
    const ScannedNumber number = Scanner(text).scan();
    if (isZero(number))
        return 0;

    std::string canonical = number.negative ? "-" : "";
    canonical += number.integerDigits.empty() ? "0" : number.integerDigits;
    if (!number.fractionDigits.empty())
        canonical += "." + number.fractionDigits;
    canonical += "e" + std::to_string(number.exponent);

    double value = 0;
    const auto result
        = std::from_chars(canonical.data(), canonical.data() + canonical.size(), value);
    if (result.ec == std::errc::result_out_of_range || std::isinf(value)) {
        // Saturate: the largest finite double for huge numbers, zero for tiny ones.
        const double magnitude
            = leadingMagnitude(number) > 0 ? std::numeric_limits<double>::max() : 0.0;
        return number.negative ? -magnitude : magnitude;
    }
    return value;
}

} // namespace dcf
