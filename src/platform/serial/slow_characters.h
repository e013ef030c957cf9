#pragma once

// A receiver on RxD read at 50 baud: each mark pulls the line low, which starts a character, and
// the line stays low for as many bits as the mark lasts (a 100 ms mark reads as 0xF0). So the
// character's arrival, less the time the port takes to receive it, is the mark's start, and its
// low bits are the mark's length. A mark longer than a character reads as a framing error or a
// break. At 75 baud (for adapters that cannot do 50) the same with shorter bits.

#include "platform/edge.h"

#include <optional>
#include <string_view>
#include <vector>

namespace dcf::serial {

class SlowCharacters
{
public:
    explicit SlowCharacters(int baud);

    /// Characters as read with marked errors (\377 \0 c for a framing error or break, \377 \377
    /// for \377), arrived at `stampMicroseconds`. Appends the edges whose time has come; the end
    /// of a long mark can lie after its character's arrival and waits in pending().
    void characters(std::string_view bytes, int64_t stampMicroseconds, std::vector<Edge> &edges);
    /// An edge that is due at its own stamp.
    std::optional<Edge> pending() const { return m_pending; }
    /// Appends the pending edge once `nowMicroseconds` has reached it.
    void due(int64_t nowMicroseconds, std::vector<Edge> &edges);

private:
    void mark(int lowBits, int64_t arrival, std::vector<Edge> &edges);

    const int64_t m_bitMicroseconds;
    enum class Escape { None, Marked, MarkedError } m_escape = Escape::None;
    std::optional<Edge> m_pending;
};

} // namespace dcf::serial
