#include "virtual_platform.h"

#include "ui/model/control.h"

#include <cmath>

namespace dcf::testing {

namespace {
constexpr int64_t kMicrosecondsPerMillisecond = 1000;
} // namespace

const char *propertyName(Property property)
{
    static constexpr const char *kNames[] = {"Caption",   "Text",      "Value",   "Visible",
                                             "BackColor", "ForeColor", "Maximum", "Suggestions"};
    return kNames[static_cast<int>(property)];
}

void VirtualTime::sleep(int64_t ms)
{
    sleeps.emplace_back(m_now, ms);
    advanceTo(m_now + ms);
}

void VirtualTime::sleepUntil(int64_t deadline)
{
    sleepsUntil.emplace_back(m_now, deadline);
    advanceTo(deadline);
}

void VirtualTime::advanceTo(int64_t ms)
{
    if (ms > m_owner.timeLimit()) {
        m_now = std::max(m_now, m_owner.timeLimit());
        throw ScriptExhausted {m_now};
    }
    m_now = std::max(m_now, ms);
}

bool FakeSerialPort::open()
{
    if (!openError.empty()) {
        m_error = openError;
        return false;
    }
    m_open = true;
    m_failed = false;
    m_error.clear();
    ++opens;
    return true;
}

bool FakeSerialPort::probe(const std::string &device)
{
    ++probes;
    if (m_open)
        close();
    port = device;
    m_error = openError;
    return openError.empty();
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
    const std::size_t wanted = static_cast<std::size_t>(readLength > 0 ? readLength : 1);
    while (!m_input.empty() && result.characters.size() < wanted) {
        result.characters.push_back(m_input.front().first);
        m_input.pop_front();
    }
    return result;
}

void FakeSerialPort::receive(const std::string &characters)
{
    receive(characters, m_clock.microseconds());
}

void FakeSerialPort::receive(const std::string &characters, int64_t arrivalMicroseconds)
{
    if (!m_open || m_failed)
        return;
    for (const char c : characters)
        m_input.emplace_back(c, arrivalMicroseconds);
}

void FakeSerialPort::fail(const std::string &reason)
{
    if (!m_open)
        return;
    m_failed = true;
    m_error = reason;
    m_input.clear();
}

FakeWindowHost::FakeWindowHost(FakeDesktop &desktop, Window &window)
    : m_desktop(desktop)
    , m_window(window)
{
    m_desktop.m_hosts[window.name()] = this;
    window.setObserver(this);
}

FakeWindowHost::~FakeWindowHost()
{
    m_window.setObserver(nullptr);
    m_desktop.m_hosts.erase(m_window.name());
}

void FakeWindowHost::show()
{
    m_shown = true;
    m_desktop.drawn.push_back(m_window.name() + ".show");
}

void FakeWindowHost::hide()
{
    m_shown = false;
    m_desktop.drawn.push_back(m_window.name() + ".hide");
}

void FakeWindowHost::close()
{
    m_shown = false;
    closed = true;
}

float FakeWindowHost::snap(float twips) const
{
    // As a real desktop: whole pixels, within the 16-bit coordinate range.
    const double pixels = std::isnan(twips) ? 0.0 : std::round(twips / m_desktop.twipsPerPixel);
    return static_cast<float>(std::clamp(pixels, -32768.0, 32767.0)) * m_desktop.twipsPerPixel;
}

void FakeWindowHost::setLeft(float twips)
{
    m_left = snap(twips);
}

void FakeWindowHost::setTop(float twips)
{
    m_top = snap(twips);
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
    m_desktop.drawn.push_back(control.displayName() + "." + propertyName(property));
}

std::unique_ptr<WindowHost> FakeDesktop::attach(Window &window)
{
    return std::make_unique<FakeWindowHost>(*this, window);
}

void FakeDesktop::showMessage(const std::string &title, const std::string &text)
{
    messages.push_back({title, text});
}

void FakeDesktop::quit()
{
    quitRequested = true;
    drawnAtQuit = drawn.size();
}

FakeWindowHost *FakeDesktop::host(const std::string &windowName) const
{
    const auto found = m_hosts.find(windowName);
    return found == m_hosts.end() ? nullptr : found->second;
}

void VirtualEvents::processPendingEvents()
{
    ++processed;
    m_owner.deliverDue();
}

void VirtualEvents::waitForActivity()
{
    ++waits;
    if (m_owner.deliverDue() || m_owner.serial.hasInput())
        return;
    const int64_t next = m_owner.nextScripted();
    if (next < 0)
        throw ScriptExhausted {m_owner.now()};
    m_owner.time.advanceTo(next);
    m_owner.deliverDue();
}

VirtualPlatform::VirtualPlatform() = default;

void VirtualPlatform::at(int64_t ms, std::function<void()> action)
{
    m_script.emplace(ms, Item {std::move(action), true});
}

void VirtualPlatform::serialAt(int64_t ms, const std::string &characters)
{
    m_script.emplace(ms,
                     Item {[this, ms, characters] {
                               serial.receive(characters, ms * kMicrosecondsPerMillisecond);
                           },
                           false});
}

void VirtualPlatform::serialFailsAt(int64_t ms, const std::string &reason)
{
    m_script.emplace(ms, Item {[this, reason] { serial.fail(reason); }, false});
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

int64_t VirtualPlatform::nextScripted() const
{
    return m_script.empty() ? -1 : m_script.begin()->first;
}

} // namespace dcf::testing
