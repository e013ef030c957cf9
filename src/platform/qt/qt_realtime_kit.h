#pragma once

// RealtimeKit through Qt's D-Bus module: how a desktop session lets a user's program give one
// thread real-time scheduling. The serial service asks it for its reader where the process may
// not set the scheduling itself.

#include <cstdint>

namespace dcf {

/// Asks RealtimeKit on the system bus to make the thread `threadId` of this process real-time at
/// `priority` (at most what it grants), after limiting the processor time a real-time thread may
/// take without blocking, as it requires. False where there is no RealtimeKit or it refuses.
bool requestRealtimeFromRealtimeKit(int64_t threadId, int priority);

} // namespace dcf
