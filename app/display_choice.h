#pragma once

// Which window system the program's windows go to, decided before Qt starts: Qt would abort
// without any display, and on a native Wayland session a program cannot place its own windows,
// which the position fields, the scroll bars and the clock window all do.

#include <functional>
#include <optional>
#include <string>

namespace dcf {

/// Reads an environment variable; null when it is not set.
using EnvironmentLookup = std::function<const char *(const char *name)>;

struct DisplayChoice
{
    /// False: there is no display, and `problem` says so in one line.
    bool usable = true;
    std::string problem;
    /// The value for QT_QPA_PLATFORM, when the program chooses the platform itself.
    std::optional<std::string> platform;
};

/// `platformOption`: the user chose a platform with Qt's -platform option.
DisplayChoice chooseDisplay(const EnvironmentLookup &environment, bool platformOption);

} // namespace dcf
