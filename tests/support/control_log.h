#pragma once

// Every property write of the watched windows with the value written and the virtual time, for
// tests that ask what the program showed and when. Each write still reaches the window's fake
// host, so FakeDesktop::drawn sees it as before.

#include "ui/model/window.h"
#include "virtual_platform.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dcf::testing {

class ControlLog final : public WindowObserver
{
public:
    explicit ControlLog(VirtualPlatform &platform)
        : m_platform(platform)
    { }
    ~ControlLog() override;
    ControlLog(const ControlLog &) = delete;
    ControlLog &operator=(const ControlLog &) = delete;

    /// Starts recording `window`; call after the window has been attached to the desktop.
    void watch(Window &window);
    void propertyChanged(const Control &control, Property property) override;

    struct Entry
    {
        int64_t at = 0;
        std::string control; ///< "chkPuls(3)"
        Property property = Property::Caption;
        std::string value; ///< text, caption, 0/1/2, or the colour as decimal 0xBBGGRR
    };
    std::vector<Entry> entries;
    /// Called after each recorded write, e.g. to script a user action at a chosen moment.
    std::function<void(const Entry &)> onEntry;

    /// The writes of one property, in order.
    std::vector<Entry> of(const std::string &control, Property property) const;
    std::vector<std::string> values(const std::string &control, Property property) const;
    /// Times at which `value` was written to the property.
    std::vector<int64_t> times(const std::string &control, Property property,
                               const std::string &value) const;
    /// The last value written to the property in entries 0 to `upToEntry`.
    std::optional<std::string> valueAt(const std::string &control, Property property,
                                       std::size_t upToEntry) const;
    /// Whether anything was written to the control after `after`.
    bool writtenAfter(const std::string &control, int64_t after) const;
    /// The properties written, in order, as "lblA(2).Caption".
    std::vector<std::string> writes() const;

private:
    VirtualPlatform &m_platform;
    std::vector<Window *> m_windows;
};

/// A colour as the log writes it.
std::string logged(Color color);

} // namespace dcf::testing
