#pragma once

// dcf77 --chrony SOCKET: the time service fed from the port that the program holds, beside the
// windows. The feed takes the serial service's edges on its reader thread, so the windows' sleeps
// never delay a sample, and its lines go to standard error.

#include "platform/serial/serial_service.h"
#include "timeservice/chrony_feed.h"

#include <string>

namespace dcf {

class ChronyFeedWiring
{
public:
    /// Starts feeding chrony's socket at `socketPath` from `serial`'s edges.
    ChronyFeedWiring(SerialService &serial, const std::string &socketPath);
    /// Detaches from the serial service before the feed ends.
    ~ChronyFeedWiring();
    ChronyFeedWiring(const ChronyFeedWiring &) = delete;
    ChronyFeedWiring &operator=(const ChronyFeedWiring &) = delete;

private:
    SerialService &m_serial;
    timeservice::ChronyFeed m_feed;
};

} // namespace dcf
