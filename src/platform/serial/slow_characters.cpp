#include "platform/serial/slow_characters.h"

#include <bit>
#include <cstdint>

namespace dcf::serial {

namespace {

/// A port delivers a character when it samples the stop bit, in the middle of it: half a bit
/// before the frame's end. In half bits, from the start bit's leading edge.
constexpr int64_t kDeliveryHalfBits = 19;
/// A framing error or a break: the line was low for the whole character and longer, as for a
/// 200 ms mark; its true length is not known.
constexpr int64_t kLongMarkMicroseconds = 200'000;
constexpr char kMarker = '\377';

} // namespace

SlowCharacters::SlowCharacters(int baud)
    : m_bitMicroseconds(1'000'000 / baud)
{ }

void SlowCharacters::characters(std::string_view bytes, int64_t stampMicroseconds,
                                std::vector<Edge> &edges)
{
    for (const char byte : bytes) {
        switch (m_escape) {
        case Escape::None:
            if (byte == kMarker) {
                m_escape = Escape::Marked;
                continue;
            }
            break;
        case Escape::Marked:
            m_escape = byte == '\0' ? Escape::MarkedError : Escape::None;
            if (byte == '\0')
                continue;
            break;
        case Escape::MarkedError:
            m_escape = Escape::None;
            mark(0, stampMicroseconds, edges);
            continue;
        }
        // Sent least significant bit first: the low bits that follow the start bit.
        const auto value = static_cast<uint8_t>(byte);
        mark(1 + std::countr_zero(value), stampMicroseconds, edges);
    }
}

void SlowCharacters::mark(int lowBits, int64_t arrival, std::vector<Edge> &edges)
{
    const int64_t begins = arrival - kDeliveryHalfBits * m_bitMicroseconds / 2;
    const int64_t ends
        = lowBits > 0 ? begins + lowBits * m_bitMicroseconds : begins + kLongMarkMicroseconds;
    // A mark cannot begin before the one before it has ended.
    if (m_pending) {
        edges.push_back({false, std::min(m_pending->stampMicroseconds, begins)});
        m_pending.reset();
    }
    edges.push_back({true, begins});
    m_pending = Edge {false, ends};
    due(arrival, edges);
}

void SlowCharacters::due(int64_t nowMicroseconds, std::vector<Edge> &edges)
{
    if (m_pending && m_pending->stampMicroseconds <= nowMicroseconds) {
        edges.push_back(*m_pending);
        m_pending.reset();
    }
}

} // namespace dcf::serial
