#include "receiver_script.h"

#include "ui/model/controls.h"

namespace dcf::testing {

namespace {

/// Writes `value` in BCD to `count` bits from `first`; returns the number of ones.
int putBcd(MinuteBits &bits, int first, int count, int value)
{
    const int bcd = (value / 10) << 4 | (value % 10);
    int ones = 0;
    for (int bit = 0; bit < count; ++bit) {
        bits[static_cast<std::size_t>(first + bit)] = (bcd >> bit) & 1;
        ones += (bcd >> bit) & 1;
    }
    return ones;
}

} // namespace

MinuteBits telegramBits(const TelegramTime &time)
{
    MinuteBits bits(59, 0);
    bits[17] = time.summerTime ? 1 : 0;
    bits[18] = time.summerTime ? 0 : 1;
    bits[20] = 1;
    bits[28] = putBcd(bits, 21, 7, time.minute) % 2;
    bits[35] = putBcd(bits, 29, 6, time.hour) % 2;
    const int dateOnes = putBcd(bits, 36, 6, time.day) + putBcd(bits, 42, 3, time.weekday)
        + putBcd(bits, 45, 5, time.month) + putBcd(bits, 50, 8, time.year);
    bits[58] = dateOnes % 2;
    return bits;
}

void ReceiverScript::mark(int64_t start, int64_t lengthMs)
{
    m_platform.serialAt(start, "1");
    m_platform.serialAt(start + lengthMs, "0");
}

int64_t ReceiverScript::minute(int64_t minuteStart, const MinuteBits &bits, int fromSecond)
{
    const int marks = static_cast<int>(bits.size());
    for (int second = fromSecond; second < marks; ++second) {
        mark(minuteStart + second * kSecondMs,
             bits[static_cast<std::size_t>(second)] ? kLongMarkMs : kShortMarkMs);
    }
    return minuteStart + (marks + 1) * kSecondMs;
}

ControlLog::ControlLog(Window &window, const VirtualTime &time)
    : m_window(window)
    , m_time(time)
    , m_next(dynamic_cast<WindowObserver *>(window.host()))
{
    m_window.setObserver(this);
}

ControlLog::~ControlLog()
{
    m_window.setObserver(m_next);
}

std::string logged(Color color)
{
    return std::to_string(color.value());
}

void ControlLog::propertyChanged(const Control &control, Property property)
{
    std::string value;
    switch (property) {
    case Property::Caption:
        if (const auto *label = dynamic_cast<const Label *>(&control))
            value = label->caption();
        break;
    case Property::Text:
        if (const auto *box = dynamic_cast<const TextBox *>(&control))
            value = box->text();
        break;
    case Property::Value:
        if (const auto *check = dynamic_cast<const CheckBox *>(&control))
            value = std::to_string(check->value());
        else if (const auto *option = dynamic_cast<const OptionButton *>(&control))
            value = option->value() ? "1" : "0";
        else if (const auto *bar = dynamic_cast<const ScrollBar *>(&control))
            value = std::to_string(bar->value());
        break;
    case Property::Visible:
        value = control.visible() ? "1" : "0";
        break;
    case Property::BackColor:
        value = logged(control.backColor());
        break;
    case Property::ForeColor:
        value = logged(control.foreColor());
        break;
    case Property::Maximum:
        break;
    }
    entries.push_back({m_time.now(), control.displayName(), property, std::move(value)});
    if (m_next)
        m_next->propertyChanged(control, property);
}

std::vector<std::string> ControlLog::values(const std::string &control, Property property) const
{
    std::vector<std::string> result;
    for (const Entry &entry : entries) {
        if (entry.control == control && entry.property == property)
            result.push_back(entry.value);
    }
    return result;
}

std::vector<int64_t> ControlLog::times(const std::string &control, Property property,
                                       const std::string &value) const
{
    std::vector<int64_t> result;
    for (const Entry &entry : entries) {
        if (entry.control == control && entry.property == property && entry.value == value)
            result.push_back(entry.at);
    }
    return result;
}

std::optional<std::string> ControlLog::valueAt(const std::string &control, Property property,
                                               std::size_t upToEntry) const
{
    std::optional<std::string> result;
    for (std::size_t index = 0; index < entries.size() && index <= upToEntry; ++index) {
        const Entry &entry = entries[index];
        if (entry.control == control && entry.property == property)
            result = entry.value;
    }
    return result;
}

bool ControlLog::writtenAfter(const std::string &control, int64_t after) const
{
    for (const Entry &entry : entries) {
        if (entry.at > after && entry.control == control)
            return true;
    }
    return false;
}

} // namespace dcf::testing
