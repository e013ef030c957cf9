#include "app/display_choice.h"

namespace dcf {

namespace {

bool isSet(const EnvironmentLookup &environment, const char *name)
{
    const char *value = environment(name);
    return value && *value;
}

} // namespace

DisplayChoice chooseDisplay(const EnvironmentLookup &environment, bool platformOption)
{
    DisplayChoice choice;
    // Whoever names a platform knows where the windows go (offscreen, vnc, wayland).
    if (platformOption || isSet(environment, "QT_QPA_PLATFORM"))
        return choice;
    if (isSet(environment, "DISPLAY")) {
        // X11 directly or through XWayland, where windows stand where the program puts them;
        // native Wayland only if the X server named by DISPLAY does not answer.
        choice.platform = isSet(environment, "WAYLAND_DISPLAY") ? "xcb;wayland" : "xcb";
        return choice;
    }
    if (isSet(environment, "WAYLAND_DISPLAY"))
        return choice;
    choice.usable = false;
    choice.problem = "dcf77: no display to show the windows on (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set); start it in a desktop session, or without a "
                     "display as QT_QPA_PLATFORM=offscreen dcf77\n";
    return choice;
}

} // namespace dcf
