#include "session_script.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace dcf::fuzz {

namespace {

// A gap is two bytes: the top two bits choose the unit, the other 14 bits count it.
constexpr int64_t kGapUnitsUs[] = {1, 1'000, 100'000, 1'000'000};
constexpr int kGapUnitShift = 14;
constexpr int64_t kGapCountLimit = int64_t {1} << kGapUnitShift;

class ByteReader
{
public:
    explicit ByteReader(std::span<const uint8_t> bytes)
        : m_bytes(bytes)
    { }

    std::optional<uint8_t> byte()
    {
        if (m_next >= m_bytes.size())
            return std::nullopt;
        return m_bytes[m_next++];
    }

    std::optional<int> twoBytes()
    {
        const auto high = byte();
        const auto low = byte();
        if (!high || !low)
            return std::nullopt;
        return (*high << 8) | *low;
    }

    std::optional<std::string> text()
    {
        const auto length = byte();
        if (!length)
            return std::nullopt;
        std::string result;
        for (std::size_t count = *length % (kLongestText + 1); count > 0; --count) {
            const auto c = byte();
            if (!c)
                return std::nullopt;
            result.push_back(static_cast<char>(*c));
        }
        return result;
    }

private:
    std::span<const uint8_t> m_bytes;
    std::size_t m_next = 0;
};

bool takesScrollValue(Op op)
{
    return op == Op::HScroll1 || op == Op::VScroll1 || op == Op::Hsc1 || op == Op::Vsc1;
}

bool takesText(Op op)
{
    return op == Op::TypeLeft || op == Op::TypeTop || op == Op::TypeComPort;
}

} // namespace

Script readScript(std::span<const uint8_t> bytes)
{
    ByteReader reader(bytes);
    Script script;
    const auto base = reader.byte();
    if (!base)
        return script;
    script.timeBaseStartMs = kTimeBaseStarts[*base % std::size(kTimeBaseStarts)];

    int64_t at = 0;
    for (;;) {
        const auto opcode = reader.byte();
        const auto gap = reader.twoBytes();
        if (!opcode || !gap)
            break;
        Step step;
        step.op = static_cast<Op>(*opcode % kOpCount);
        at += (*gap & (kGapCountLimit - 1)) * kGapUnitsUs[*gap >> kGapUnitShift];
        if (at > kLongestScriptUs)
            break;
        step.atUs = at;
        if (step.op == Op::Character) {
            const auto c = reader.byte();
            if (!c)
                break;
            step.text.assign(1, static_cast<char>(*c));
        } else if (takesScrollValue(step.op)) {
            const auto value = reader.twoBytes();
            if (!value)
                break;
            step.value = static_cast<int16_t>(*value);
        } else if (step.op == Op::BitBoxClick) {
            const auto box = reader.byte();
            if (!box)
                break;
            step.value = *box % 60;
        } else if (takesText(step.op)) {
            auto typed = reader.text();
            if (!typed)
                break;
            step.text = std::move(*typed);
        }
        script.steps.push_back(std::move(step));
    }
    return script;
}

void ScriptWriter::head(Op op, int64_t gapUs)
{
    // The coarsest unit that holds the gap exactly; a long gap finer than a millisecond is
    // rounded to one, and one too long for a single count goes out as waits first.
    if (gapUs >= kGapCountLimit && gapUs % kGapUnitsUs[1] != 0)
        gapUs = (gapUs + kGapUnitsUs[1] / 2) / kGapUnitsUs[1] * kGapUnitsUs[1];
    int unit = static_cast<int>(std::size(kGapUnitsUs)) - 1;
    while (unit > 0 && gapUs % kGapUnitsUs[unit] != 0)
        --unit;
    int64_t count = gapUs / kGapUnitsUs[unit];
    for (; count >= kGapCountLimit; count -= kGapCountLimit - 1) {
        m_bytes.push_back(static_cast<uint8_t>(Op::Wait));
        twoBytes((unit << kGapUnitShift) | static_cast<int>(kGapCountLimit - 1));
    }
    m_bytes.push_back(static_cast<uint8_t>(op));
    twoBytes((unit << kGapUnitShift) | static_cast<int>(count));
}

void ScriptWriter::twoBytes(int value)
{
    m_bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    m_bytes.push_back(static_cast<uint8_t>(value & 0xFF));
}

void ScriptWriter::character(int64_t gapUs, char c)
{
    head(Op::Character, gapUs);
    m_bytes.push_back(static_cast<uint8_t>(c));
}

void ScriptWriter::action(int64_t gapUs, Op op, int value)
{
    head(op, gapUs);
    if (takesScrollValue(op))
        twoBytes(static_cast<uint16_t>(static_cast<int16_t>(value)));
    else if (op == Op::BitBoxClick)
        m_bytes.push_back(static_cast<uint8_t>(value));
}

void ScriptWriter::type(int64_t gapUs, Op op, const std::string &text)
{
    head(op, gapUs);
    const std::size_t length = std::min(text.size(), kLongestText);
    m_bytes.push_back(static_cast<uint8_t>(length));
    m_bytes.insert(m_bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
}

} // namespace dcf::fuzz
