#pragma once

// The event processing of the window thread on Qt: where the routines' yields and waits end up.

#include "platform/event_loop.h"

namespace dcf {

/// The Qt event processing of the window thread. Window events, timers and serial input all
/// arrive through it, so a wait wakes for any of them and uses no processor time meanwhile.
class QtEventLoop final : public EventLoop
{
public:
    void processPendingEvents() override;
    void waitForActivity() override;
};

} // namespace dcf
