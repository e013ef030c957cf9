#pragma once

#include <functional>
#include <string>

namespace dcf {

/// Runs a call from a Qt event handler into the model. No exception gets past it: Qt's frames
/// are not exception-safe, so a fault is reported as "Interner Fehler: ..." through `report`
/// and the event handler returns normally.
void runGuarded(const std::function<void()> &call,
                const std::function<void(const std::string &)> &report) noexcept;

/// The text reported for a fault with the given description.
std::string internalErrorText(const std::string &what);

} // namespace dcf
