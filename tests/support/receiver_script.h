#pragma once

// Scripts a DCF77 receiver on the virtual serial line: "1" when a second's mark begins, "0" when
// it ends, 100 ms (bit 0) or 200 ms (bit 1) later, jitter-free; second 59 (or 60 in a minute
// with a leap second) carries no mark. Also a log of every control write with its value, for
// tests that ask what the program showed and when.

#include "ui/model/window.h"
#include "virtual_platform.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dcf::testing {

inline constexpr int64_t kShortMarkMs = 100;
inline constexpr int64_t kLongMarkMs = 200;
inline constexpr int64_t kSecondMs = 1000;

/// The bits of one minute, index = second: 59 entries, or 60 with a leap second.
using MinuteBits = std::vector<int>;

/// The time a telegram announces.
struct TelegramTime
{
    int minute = 0;
    int hour = 0;
    int day = 1;
    int weekday = 1; ///< 1 Monday .. 7 Sunday
    int month = 1;
    int year = 0; ///< two digits
    bool summerTime = false;
};

/// The 59 bits of a telegram for `time`: BCD fields with even parity, bit 20 set.
MinuteBits telegramBits(const TelegramTime &time);

class ReceiverScript
{
public:
    explicit ReceiverScript(VirtualPlatform &platform)
        : m_platform(platform)
    { }

    /// One mark: "1" at `start`, "0" `lengthMs` later.
    void mark(int64_t start, int64_t lengthMs);
    /// The marks of seconds `fromSecond` to the last of `bits`, second 0 beginning at
    /// `minuteStart`. Returns the start of the next minute.
    int64_t minute(int64_t minuteStart, const MinuteBits &bits, int fromSecond = 0);

private:
    VirtualPlatform &m_platform;
};

/// Every property write of a window with the value written and the virtual time, passed on to
/// the window's fake desktop as before.
class ControlLog final : public WindowObserver
{
public:
    ControlLog(Window &window, const VirtualTime &time);
    ~ControlLog() override;
    ControlLog(const ControlLog &) = delete;
    ControlLog &operator=(const ControlLog &) = delete;

    void propertyChanged(const Control &control, Property property) override;

    struct Entry
    {
        int64_t at;
        std::string control; ///< "chkPuls(3)"
        Property property;
        std::string value; ///< text, caption, 0/1/2, or the colour as decimal 0xBBGGRR
    };
    std::vector<Entry> entries;

    /// The values written to one property, in order.
    std::vector<std::string> values(const std::string &control, Property property) const;
    /// Times at which `value` was written to the property.
    std::vector<int64_t> times(const std::string &control, Property property,
                               const std::string &value) const;
    /// The last value written to the property in entries 0 to `upToEntry`.
    std::optional<std::string> valueAt(const std::string &control, Property property,
                                       std::size_t upToEntry) const;
    /// Whether anything was written to the control after `after`.
    bool writtenAfter(const std::string &control, int64_t after) const;

private:
    Window &m_window;
    const VirtualTime &m_time;
    WindowObserver *m_next;
};

/// A colour as the log writes it.
std::string logged(Color color);

} // namespace dcf::testing
