#pragma once

// The last net under every call from a Qt event handler into the model. The program's own gate
// catches what its routines throw and tells the user; what still gets this far (a fault in the
// view itself) is logged here, because Qt's frames are not exception-safe.

#include <functional>

namespace dcf {

/// Runs `call`; no exception gets past it. A fault is logged and the event handler returns
/// normally.
void runGuarded(const std::function<void()> &call) noexcept;

} // namespace dcf
