#include "virtual_platform.h"

#include "ui/model/controls.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace dcf::testing {

namespace {

constexpr int64_t kMicrosecondsPerMillisecond = 1000;

/// The value a write put into the property, as the log keeps it.
std::string valueOf(const Control &control, Property property)
{
    switch (property) {
    case Property::Caption:
        return static_cast<const Label &>(control).caption();
    case Property::Text:
        return static_cast<const TextBox &>(control).text();
    case Property::Value:
        if (const auto *check = dynamic_cast<const CheckBox *>(&control))
            return std::to_string(check->value());
        if (const auto *option = dynamic_cast<const OptionButton *>(&control))
            return option->value() ? "1" : "0";
        if (const auto *bar = dynamic_cast<const ScrollBar *>(&control))
            return std::to_string(bar->value());
        break;
    case Property::Visible:
        return control.visible() ? "1" : "0";
    case Property::BackColor:
        return rgb(control.backColor());
    case Property::ForeColor:
        return rgb(control.foreColor());
    case Property::Maximum:
        break;
    case Property::Suggestions: {
        std::string joined;
        for (const auto &suggestion : static_cast<const TextBox &>(control).suggestions())
            joined += (joined.empty() ? "" : "|") + suggestion.text;
        return joined;
    }
    }
    return {};
}

} // namespace

std::string rgb(Color color)
{
    if (color == colors::kButtonFace)
        return "button face";
    if (color == colors::kButtonText)
        return "button text";
    if (color == colors::kWindowBackground)
        return "window background";
    if (color == colors::kWindowText)
        return "window text";
    return std::to_string(color.red()) + "," + std::to_string(color.green()) + ","
        + std::to_string(color.blue());
}

std::string shown(const Control &control)
{
    const Control::Kind kind = control.kind();
    const Property content = kind == Control::Kind::Label ? Property::Caption
        : kind == Control::Kind::TextBox                  ? Property::Text
                                                          : Property::Value;
    return valueOf(control, content) + " (" + rgb(control.foreColor()) + " on "
        + rgb(control.backColor()) + ")";
}

int64_t VirtualPlatform::microsecondsAt(int64_t ms) const
{
    const auto extra = extraMicroseconds.find(ms);
    return ms * kMicrosecondsPerMillisecond
        + (extra == extraMicroseconds.end() ? 0 : extra->second);
}

void VirtualPlatform::sleep(int64_t ms)
{
    sleeps.emplace_back(m_now, ms);
    deliverLineUntil(m_now + ms);
    advanceTo(m_now + ms);
}

void VirtualPlatform::sleepUntil(int64_t deadline)
{
    sleepsUntil.emplace_back(m_now, deadline);
    deliverLineUntil(deadline);
    advanceTo(deadline);
}

void VirtualPlatform::advanceTo(int64_t ms)
{
    if (ms > m_timeLimit) {
        m_now = std::max(m_now, m_timeLimit);
        throw ScriptExhausted {};
    }
    m_now = std::max(m_now, ms);
}

std::optional<PortProblem> FakeSerialPort::problemWith(const std::string &device) const
{
    if (openProblem)
        return openProblem;
    const auto found = deviceProblems.find(device);
    return found == deviceProblems.end() ? std::nullopt : std::optional(found->second);
}

std::optional<PortProblem> FakeSerialPort::open()
{
    if (std::optional<PortProblem> problem = problemWith(port))
        return problem;
    m_open = true;
    m_failure.reset();
    ++opens;
    return std::nullopt;
}

std::optional<PortProblem> FakeSerialPort::check(const std::string &device)
{
    ++checks;
    if (m_open && !m_failure && device == port)
        return std::nullopt;
    return problemWith(device);
}

void FakeSerialPort::close()
{
    m_open = false;
    m_input.clear();
    ++closes;
}

SerialInput FakeSerialPort::read()
{
    SerialInput result;
    if (m_input.empty())
        return result;
    result.arrivalMicroseconds = m_input.front().second;
    result.characters.push_back(m_input.front().first);
    m_input.pop_front();
    return result;
}

void FakeSerialPort::receive(const std::string &characters, int64_t arrivalMicroseconds)
{
    if (!m_open || m_failure)
        return;
    for (const char c : characters)
        m_input.emplace_back(c, arrivalMicroseconds);
}

void FakeSerialPort::fail(const PortProblem &problem)
{
    if (!m_open)
        return;
    m_failure = problem;
    m_input.clear();
}

FakeWindowHost::FakeWindowHost(FakeDesktop &desktop, Window &window)
    : m_desktop(desktop)
    , m_window(window)
{
    m_desktop.m_hosts[window.name()] = this;
    window.addObserver(*this);
}

FakeWindowHost::~FakeWindowHost()
{
    m_window.removeObserver(*this);
    m_desktop.m_hosts.erase(m_window.name());
}

void FakeWindowHost::show()
{
    m_shown = true;
    m_desktop.record(m_window.name(), Property::Visible, "1");
}

void FakeWindowHost::hide()
{
    m_shown = false;
    m_desktop.record(m_window.name(), Property::Visible, "0");
}

float FakeWindowHost::snap(float twips) const
{
    // As a real desktop: whole pixels, within the 16-bit coordinate range.
    const double pixels = std::isnan(twips) ? 0.0 : std::round(twips / m_desktop.twipsPerPixel);
    return static_cast<float>(std::clamp(pixels, -32768.0, 32767.0)) * m_desktop.twipsPerPixel;
}

float FakeWindowHost::width() const
{
    return static_cast<float>(m_window.design().clientWidth) + m_desktop.frameWidth;
}

float FakeWindowHost::height() const
{
    return static_cast<float>(m_window.design().clientHeight) + m_desktop.frameHeight;
}

void FakeWindowHost::propertyChanged(const Control &control, Property property)
{
    if (m_desktop.logging)
        m_desktop.record(control.displayName(), property, valueOf(control, property));
}

std::unique_ptr<WindowHost> FakeDesktop::attach(Window &window)
{
    return std::make_unique<FakeWindowHost>(*this, window);
}

FakeWindowHost *FakeDesktop::host(const std::string &windowName) const
{
    const auto found = m_hosts.find(windowName);
    return found == m_hosts.end() ? nullptr : found->second;
}

void FakeDesktop::record(std::string control, Property property, std::string value)
{
    drawn.push_back({m_time.milliseconds(), std::move(control), property, std::move(value)});
}

std::vector<Drawn> FakeDesktop::of(const std::string &control, Property property) const
{
    std::vector<Drawn> result;
    std::ranges::copy_if(drawn, std::back_inserter(result), [&](const Drawn &entry) {
        return entry.control == control && entry.property == property;
    });
    return result;
}

std::vector<int64_t> FakeDesktop::times(const std::string &control, Property property,
                                        const std::string &value) const
{
    std::vector<int64_t> result;
    for (const Drawn &entry : of(control, property)) {
        if (entry.value == value)
            result.push_back(entry.at);
    }
    return result;
}

std::string FakeDesktop::valueAfter(const std::string &control, Property property,
                                    std::size_t entries) const
{
    std::string result;
    for (std::size_t index = 0; index < std::min(entries, drawn.size()); ++index) {
        if (drawn[index].control == control && drawn[index].property == property)
            result = drawn[index].value;
    }
    return result;
}

bool FakeDesktop::writtenAfter(const std::string &control, int64_t after) const
{
    return std::ranges::any_of(
        drawn, [&](const Drawn &entry) { return entry.at > after && entry.control == control; });
}

void VirtualPlatform::waitForActivity()
{
    if (deliverDue() || serial.hasInput())
        return;
    if (nextScripted() < 0)
        throw ScriptExhausted {};
    advanceTo(nextScripted());
    deliverDue();
}

void VirtualPlatform::serialAt(int64_t ms, const std::string &characters)
{
    lineAt(ms, [this, ms, characters] { serial.receive(characters, microsecondsAt(ms)); });
}

void VirtualPlatform::deliverLineUntil(int64_t until)
{
    for (auto item = m_script.begin(); item != m_script.end() && item->first <= until;) {
        if (item->second.userAction) {
            ++item;
            continue;
        }
        const std::function<void()> deliver = std::move(item->second.deliver);
        item = m_script.erase(item);
        deliver();
    }
}

bool VirtualPlatform::deliverDue()
{
    bool delivered = false;
    while (!m_script.empty() && m_script.begin()->first <= now()) {
        Item item = std::move(m_script.begin()->second);
        m_script.erase(m_script.begin());
        // After the program has ended no reaction runs any more.
        if (item.userAction && desktop.quitRequested)
            continue;
        item.deliver();
        delivered = true;
    }
    return delivered;
}

} // namespace dcf::testing
