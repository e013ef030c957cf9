#include "session_script.h"

#include <algorithm>
#include <iterator>

namespace dcf::fuzz {

namespace {

constexpr int kOpCount = static_cast<int>(Op::Wait) + 1;
constexpr int64_t kGapUnitsUs[] = {1, 1'000, 100'000, 1'000'000};
constexpr int kGapUnitShift = 14;
constexpr int64_t kGapCountLimit = int64_t {1} << kGapUnitShift;
constexpr int kBitBoxes = 60;

enum class Data { None, Byte, TwoBytes, Text };

Data dataOf(Op op)
{
    switch (op) {
    case Op::Character:
    case Op::DeviceVanishes:
    case Op::BitBoxClick:
        return Data::Byte;
    case Op::HScroll1:
    case Op::VScroll1:
    case Op::Hsc1:
    case Op::Vsc1:
        return Data::TwoBytes;
    case Op::TypeLeft:
    case Op::TypeTop:
    case Op::TypeComPort:
        return Data::Text;
    default:
        return Data::None;
    }
}

} // namespace

Script readScript(std::span<const uint8_t> bytes)
{
    std::size_t next = 0;
    bool complete = true;
    // Past the end a read gives 0 and marks the step incomplete.
    const auto byte = [&]() -> int {
        if (next < bytes.size())
            return bytes[next++];
        complete = false;
        return 0;
    };
    const auto twoBytes = [&] {
        const int high = byte();
        return (high << 8) | byte();
    };

    Script script;
    script.timeBaseStartMs
        = kTimeBaseStarts[static_cast<std::size_t>(byte()) % std::size(kTimeBaseStarts)];
    for (int64_t at = 0; next < bytes.size();) {
        Step step;
        step.op = static_cast<Op>(byte() % kOpCount);
        const int gap = twoBytes();
        at += (gap & (kGapCountLimit - 1)) * kGapUnitsUs[gap >> kGapUnitShift];
        step.atUs = at;
        switch (dataOf(step.op)) {
        case Data::Byte:
            step.value = step.op == Op::BitBoxClick ? byte() % kBitBoxes : byte();
            break;
        case Data::TwoBytes:
            step.value = static_cast<int16_t>(twoBytes());
            break;
        case Data::Text:
            for (int length = byte() % static_cast<int>(kLongestText + 1); length > 0; --length)
                step.text.push_back(static_cast<char>(byte()));
            break;
        case Data::None:
            break;
        }
        if (!complete || at > kLongestScriptUs)
            break;
        script.steps.push_back(std::move(step));
    }
    return script;
}

void ScriptWriter::write(int64_t gapUs, const Step &step)
{
    // The coarsest unit that holds the gap exactly.
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
    m_bytes.push_back(static_cast<uint8_t>(step.op));
    twoBytes((unit << kGapUnitShift) | static_cast<int>(count));

    switch (dataOf(step.op)) {
    case Data::Byte:
        m_bytes.push_back(static_cast<uint8_t>(step.value));
        break;
    case Data::TwoBytes:
        twoBytes(static_cast<uint16_t>(static_cast<int16_t>(step.value)));
        break;
    case Data::Text: {
        const std::size_t length = std::min(step.text.size(), kLongestText);
        m_bytes.push_back(static_cast<uint8_t>(length));
        m_bytes.insert(m_bytes.end(), step.text.begin(),
                       step.text.begin() + static_cast<std::ptrdiff_t>(length));
        break;
    }
    case Data::None:
        break;
    }
}

void ScriptWriter::twoBytes(int value)
{
    m_bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    m_bytes.push_back(static_cast<uint8_t>(value & 0xFF));
}

} // namespace dcf::fuzz
