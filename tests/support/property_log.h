#pragma once

// Records every property write of the watched windows with the virtual time and the new text,
// and passes each one on to the window's fake host, so FakeDesktop::drawn still sees it.

#include "ui/model/window.h"
#include "virtual_platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dcf::testing {

class PropertyLog final : public WindowObserver
{
public:
    explicit PropertyLog(VirtualPlatform &platform)
        : m_platform(platform)
    { }
    ~PropertyLog() override;
    PropertyLog(const PropertyLog &) = delete;
    PropertyLog &operator=(const PropertyLog &) = delete;

    /// Starts recording `window`; call after the window has been attached to the desktop.
    void watch(Window &window);

    struct Entry
    {
        int64_t at = 0;
        std::string control; ///< "lblA(20)"
        Property property = Property::Caption;
        std::string text; ///< caption or text after the write, else empty
        bool operator==(const Entry &) const = default;
    };
    std::vector<Entry> entries;
    /// Called after each recorded write, e.g. to script a user action at a chosen moment.
    std::function<void(const Entry &)> onEntry;

    /// The caption writes of one control, in order.
    std::vector<Entry> captions(const std::string &control) const;
    /// The controls written, in order, as "lblA(2).Caption".
    std::vector<std::string> writes() const;

    void propertyChanged(const Control &control, Property property) override;

private:
    VirtualPlatform &m_platform;
    std::vector<Window *> m_windows;
};

} // namespace dcf::testing
