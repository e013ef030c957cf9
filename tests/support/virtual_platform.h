#pragma once

// Test doubles of the platform that run in virtual time: the clock moves only when the code
// sleeps or waits. Serial characters, port failures and user actions are scripted at virtual
// times and arrive during event processing, so a whole received minute runs in milliseconds. The
// fake desktop logs every property write with its value and virtual time, so that tests ask what
// the program showed and when.

#include "platform/platform.h"
#include "ui/model/window.h"
#include "ui/model/window_host.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dcf::testing {

/// Thrown out of a wait when nothing more is scripted or the time limit is reached: ends the
/// scenario (the program itself never sees it).
struct ScriptExhausted
{
};

/// A colour as the user sees it: "R,G,B", or the theme colour's role ("button face").
std::string rgb(Color color);

/// A control as the user sees it: its text, caption or value, then its text and background
/// colours, as in "   0.100 (255,255,255 on 0,0,0)".
std::string shown(const Control &control);

class FakeSerialPort final : public SerialPort
{
public:
    bool isOpen() const override { return m_open; }
    void setPort(const std::string &device) override { port = device; }
    std::optional<PortProblem> open() override;
    void close() override;
    /// Counted in `checks`, not in `opens`; leaves the port as it is.
    std::optional<PortProblem> check(const std::string &device) override;
    SerialInput read() override;
    std::optional<PortProblem> failure() const override { return m_failure; }
    std::vector<SerialPortInfo> availablePorts() const override { return ports; }

    /// Characters that arrived at `arrivalMicroseconds`, however late they are handed over;
    /// dropped while the port is closed.
    void receive(const std::string &characters, int64_t arrivalMicroseconds);
    bool hasInput() const { return !m_input.empty(); }
    /// The device goes away: reads return nothing and failure() says why.
    void fail(const PortProblem &problem = {PortFault::Vanished, 0});

    std::string port;
    int opens = 0;
    int closes = 0;
    int checks = 0;
    /// When set, every device fails to open with it.
    std::optional<PortProblem> openProblem;
    /// Devices that fail to open, and why.
    std::map<std::string, PortProblem> deviceProblems;
    /// The ports the system reports.
    std::vector<SerialPortInfo> ports;

private:
    /// Why `device` does not open now, if it does not.
    std::optional<PortProblem> problemWith(const std::string &device) const;

    bool m_open = false;
    std::optional<PortProblem> m_failure;
    /// Characters with their arrival times.
    std::deque<std::pair<char, int64_t>> m_input;
};

/// One property write as it reached the desktop; showing and hiding a window count as writes of
/// its Visible.
struct Drawn
{
    int64_t at = 0;
    std::string control; ///< "chkPuls(3)", or the window's name
    Property property = Property::Caption;
    std::string value; ///< text, caption, 0/1/2, or rgb() of a colour
};

class FakeDesktop;

/// One window on the fake desktop: a pixel grid of `twipsPerPixel` and a frame around the client
/// area.
class FakeWindowHost final : public WindowHost, public WindowObserver
{
public:
    FakeWindowHost(FakeDesktop &desktop, Window &window);
    ~FakeWindowHost() override;

    void show() override;
    void hide() override;
    bool isShown() const override { return m_shown; }
    void close() override
    {
        closed = true;
        m_shown = false;
    }
    float left() const override { return m_left; }
    float top() const override { return m_top; }
    void setLeft(float twips) override { m_left = snap(twips); }
    void setTop(float twips) override { m_top = snap(twips); }
    float width() const override;
    float height() const override;
    void refresh() override { ++refreshes; }
    void propertyChanged(const Control &control, Property property) override;

    int refreshes = 0;
    bool closed = false;

private:
    float snap(float twips) const;

    FakeDesktop &m_desktop;
    Window &m_window;
    bool m_shown = false;
    float m_left = 0;
    float m_top = 0;
};

class FakeDesktop final : public Desktop, public WindowSystem
{
public:
    explicit FakeDesktop(const TimeBase &time)
        : m_time(time)
    { }
    float screenWidth() const override { return screenWidthTwips; }
    float screenHeight() const override { return screenHeightTwips; }
    std::unique_ptr<WindowHost> attach(Window &window) override;
    void showMessage(MessageKind kind, const std::string &title, const std::string &text) override
    {
        messages.push_back({kind, title, text});
    }
    std::string decimalSeparator() const override { return separator; }
    void quit() override
    {
        drawnAtQuit = drawn.size();
        quitRequested = true;
    }

    /// The host of a window attached by name ("frmDCF77", "frmZeit"), or null.
    FakeWindowHost *host(const std::string &windowName) const;
    void record(std::string control, Property property, std::string value);

    /// The writes of one property, in order.
    std::vector<Drawn> of(const std::string &control, Property property) const;
    /// When `value` was written to the property.
    std::vector<int64_t> times(const std::string &control, Property property,
                               const std::string &value) const;
    /// What the property showed after the first `entries` writes of the log ("" if none).
    std::string valueAfter(const std::string &control, Property property,
                           std::size_t entries = SIZE_MAX) const;
    /// Whether anything was written to the control after `after`.
    bool writtenAfter(const std::string &control, int64_t after) const;

    float screenWidthTwips = 1920 * 15;
    float screenHeightTwips = 1080 * 15;
    float twipsPerPixel = 15;
    /// Frame around the client area, in twips (8 by 33 pixels).
    float frameWidth = 8 * 15;
    float frameHeight = 33 * 15;
    std::string separator = ".";
    bool quitRequested = false;
    struct Message
    {
        MessageKind kind = MessageKind::Information;
        std::string title;
        std::string text;
    };
    std::vector<Message> messages;
    /// Every write that reached the desktop, also after quit(), so that tests see whether
    /// anything more was drawn.
    std::vector<Drawn> drawn;
    /// Off: property writes are not logged (a long run that would fill the memory with them).
    bool logging = true;
    std::size_t drawnAtQuit = 0;

private:
    const TimeBase &m_time;
    std::map<std::string, FakeWindowHost *> m_hosts;
    friend class FakeWindowHost;
};

/// The time base and the event loop: the clock moves only when the code sleeps or waits for
/// activity, and event processing delivers what the script has due.
class VirtualPlatform final : public TimeBase, public EventLoop
{
public:
    Platform &platform() { return m_platform; }
    WindowSystem &windows() { return desktop; }
    int64_t now() const { return m_now; }

    int64_t milliseconds() const override { return m_now; }
    int64_t microseconds() const override { return microsecondsAt(m_now); }
    void sleep(int64_t ms) override;
    void sleepUntil(int64_t deadline) override;
    void processPendingEvents() override { deliverDue(); }
    void waitForActivity() override;

    /// Moves the clock forward (never back); stops at the time limit.
    void advanceTo(int64_t ms);
    /// Every sleep() as (start, length) and every sleepUntil() as (start, deadline), in order.
    std::vector<std::pair<int64_t, int64_t>> sleeps, sleepsUntil;
    /// The part below the millisecond that microseconds() adds at chosen milliseconds.
    std::map<int64_t, int64_t> extraMicroseconds;
    /// What microseconds() reads while the millisecond count shows `ms`.
    int64_t microsecondsAt(int64_t ms) const;

    /// A user action (click, typing, pointer move) handled by the first event processing at or
    /// after `ms`; none runs once the program has ended.
    void at(int64_t ms, std::function<void()> action)
    {
        m_script.emplace(ms, Item {std::move(action), true});
    }
    /// Characters that arrive on the serial line at `ms`; they carry that time (with its
    /// extraMicroseconds) as their arrival stamp, however late the program takes them.
    void serialAt(int64_t ms, const std::string &characters);
    /// A change on the serial line at `ms` (characters, a failing device): as serialAt(), it
    /// happens while the program sleeps too.
    void lineAt(int64_t ms, std::function<void()> change)
    {
        m_script.emplace(ms, Item {std::move(change), false});
    }
    /// Waits and sleeps end the scenario (ScriptExhausted) once the clock passes `ms`.
    void endAt(int64_t ms) { m_timeLimit = ms; }

    /// Delivers everything due by now. Returns whether anything was delivered.
    bool deliverDue();
    /// Time of the next scripted item, or -1.
    int64_t nextScripted() const { return m_script.empty() ? -1 : m_script.begin()->first; }

    FakeSerialPort serial;
    FakeDesktop desktop {*this};

private:
    /// What reaches the serial line by `until` while the program sleeps: characters land in the
    /// port's buffer (and go with it when the port is closed), failures happen; user actions wait
    /// for the next event processing.
    void deliverLineUntil(int64_t until);

    struct Item
    {
        std::function<void()> deliver;
        bool userAction;
    };
    std::multimap<int64_t, Item> m_script;
    int64_t m_now = 0;
    int64_t m_timeLimit = INT64_MAX;
    Platform m_platform {*this, *this, serial, desktop};
};

} // namespace dcf::testing
