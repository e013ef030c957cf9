#include "app/chrony_feed_wiring.h"

#include <cstdio>

namespace dcf {

ChronyFeedWiring::ChronyFeedWiring(SerialService &serial, const std::string &socketPath)
    : m_serial(serial)
    , m_feed(socketPath,
             [](const std::string &line) { std::fprintf(stderr, "dcf77: %s\n", line.c_str()); })
{
    m_serial.setEdgeListener(&m_feed);
}

ChronyFeedWiring::~ChronyFeedWiring()
{
    m_serial.setEdgeListener(nullptr);
}

} // namespace dcf
