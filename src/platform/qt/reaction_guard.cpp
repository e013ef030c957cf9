#include "platform/qt/reaction_guard.h"

#include <QtGlobal>
#include <exception>

namespace dcf {

void runGuarded(const std::function<void()> &call) noexcept
{
    try {
        call();
    } catch (const std::exception &error) {
        qCritical("dcf77: a fault reached the window system: %s", error.what());
    } catch (...) {
        qCritical("dcf77: an unknown fault reached the window system");
    }
}

} // namespace dcf
