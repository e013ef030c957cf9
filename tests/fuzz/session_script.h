#pragma once

// One fuzz input as a timed script of what reaches the program: characters from the receiver,
// the device vanishing and coming back, and the user's actions. The byte format is simple enough
// for the fuzzer's mutations to stay meaningful, and the seed generator writes it too.
//
// Input: one byte choosing the time base's starting point, then operations. Each operation is
// an opcode byte, a two-byte gap since the previous one and the opcode's own data.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dcf::fuzz {

enum class Op : uint8_t {
    Character, ///< `text` arrives on the serial line
    DeviceVanishes,
    DeviceReturns,
    Start,
    Hide,
    ClockWindowClick,
    ClockWindowClose,
    MainWindowClose,
    Exit,
    HScroll1,
    VScroll1,
    Hsc1,
    Vsc1,
    TypeLeft,
    TypeTop,
    TypeComPort,
    PointerMove,
    BitBoxClick,
    Wait, ///< nothing but the gap
};
inline constexpr int kOpCount = static_cast<int>(Op::Wait) + 1;

struct Step
{
    int64_t atUs = 0; ///< since the script's start
    Op op = Op::Wait;
    std::string text; ///< character or typed text
    int value = 0; ///< scroll bar value or bit box index
};

struct Script
{
    int64_t timeBaseStartMs = 0;
    std::vector<Step> steps;
};

/// Time bases to start from: a fresh machine, and just below the two points where a 32-bit
/// millisecond count turns negative and wraps.
inline constexpr int64_t kTimeBaseStarts[]
    = {0, (int64_t {1} << 31) - 90'000, (int64_t {1} << 32) - 90'000, 123'456'789};

/// A script never spans more than this, so that one input stays quick to run.
inline constexpr int64_t kLongestScriptUs = int64_t {3} * 3600 * 1'000'000;
/// Longest typed text.
inline constexpr std::size_t kLongestText = 64;

Script readScript(std::span<const uint8_t> bytes);

/// Writes scripts in the same format (the seed corpus).
class ScriptWriter
{
public:
    explicit ScriptWriter(int timeBaseChoice = 0) { m_bytes.push_back(uint8_t(timeBaseChoice)); }

    /// Each call is `gapUs` after the previous one; gaps are kept to what the format holds.
    void character(int64_t gapUs, char c);
    void action(int64_t gapUs, Op op, int value = 0);
    void type(int64_t gapUs, Op op, const std::string &text);

    const std::vector<uint8_t> &bytes() const { return m_bytes; }

private:
    void head(Op op, int64_t gapUs);
    void twoBytes(int value);
    std::vector<uint8_t> m_bytes;
};

} // namespace dcf::fuzz
