#include "platform/qt/reaction_guard.h"

#include <exception>
#include <optional>

namespace dcf {

std::string internalErrorText(const std::string &what)
{
    return "Interner Fehler: " + what;
}

void runGuarded(const std::function<void()> &call,
                const std::function<void(const std::string &)> &report) noexcept
{
    std::optional<std::string> fault;
    try {
        call();
    } catch (const std::exception &error) {
        fault = internalErrorText(error.what());
    } catch (...) {
        fault = internalErrorText("unbekannte Ausnahme");
    }
    if (!fault || !report)
        return;
    // Reported outside the handler, and the report itself must not throw either.
    try {
        report(*fault);
    } catch (...) { }
}

} // namespace dcf
