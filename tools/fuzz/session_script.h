#pragma once

// One fuzz input as a timed script of what reaches the program: characters from the receiver,
// the device vanishing and coming back, and the user's actions. The byte format is simple enough
// for the fuzzer's mutations to stay meaningful, and the seeds writer writes it too.
//
// Input: one byte choosing the time base's starting point, then steps. Each step is an opcode
// byte, a two-byte gap since the previous step (the top two bits choose the unit: 1 us, 1 ms,
// 100 ms or 1 s) and the opcode's own data: a character, why the port no longer opens, a two-byte
// scroll bar value, a one-byte bit box, or a typed text (a length byte, then the text).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dcf::fuzz {

enum class Op : uint8_t {
    Character,
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

struct Step
{
    int64_t atUs = 0; ///< since the script's start
    Op op = Op::Wait;
    int value = 0; ///< character, open failure, scroll bar value or bit box index
    std::string text; ///< typed text
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
inline constexpr std::size_t kLongestText = 64;

Script readScript(std::span<const uint8_t> bytes);

/// Writes scripts in the same format (the seed corpus).
class ScriptWriter
{
public:
    explicit ScriptWriter(int timeBaseChoice)
        : m_bytes {static_cast<uint8_t>(timeBaseChoice)}
    { }

    /// A step `gapUs` after the previous one; a gap the format cannot hold exactly is rounded to
    /// the millisecond, and one too long for one step is preceded by waits.
    void write(int64_t gapUs, const Step &step);

    const std::vector<uint8_t> &bytes() const { return m_bytes; }

private:
    void twoBytes(int value);
    std::vector<uint8_t> m_bytes;
};

} // namespace dcf::fuzz
