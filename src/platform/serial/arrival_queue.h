#pragma once

// What the serial reader thread hands to the window thread: characters with their stamps, and the
// failure of the port. It is all that the two threads share, behind one lock. Bounded: when it is
// full a reader of characters stops reading and they wait in the driver, or, while an edge
// listener needs the reader to go on, what does not fit is dropped.

#include "platform/port_problem.h"
#include "platform/serial/serial_service.h"

#include <deque>
#include <mutex>
#include <optional>
#include <span>

namespace dcf::serial {

class ArrivalQueue
{
public:
    explicit ArrivalQueue(std::size_t capacity)
        : m_capacity(capacity)
    { }

    // The reader thread's side.

    /// Room for this many more characters. None left marks the reader stalled, until take() has
    /// made room again and says so.
    std::size_t roomOrStall();
    /// Appends `arrivals` as far as there is room and drops the rest. Returns whether the queue
    /// was empty before: then the window thread may be waiting and must be woken.
    bool put(std::span<const Arrival> arrivals);
    /// The port has failed: what was queued is dropped and `problem` says why (the first
    /// failure stays). Returns whether this is news for the window thread.
    bool fail(const PortProblem &problem);
    /// Nothing queued, nothing failed: a port that has just been opened or closed.
    void clear();

    // The window thread's side.

    struct Taken
    {
        std::optional<Arrival> arrival;
        /// The reader had stalled and there is room again: it must be told to read on.
        bool resumeReader = false;
    };
    /// The oldest character; nothing once the port has failed.
    Taken take();
    std::optional<PortProblem> failure() const;

private:
    mutable std::mutex m_mutex;
    const std::size_t m_capacity;
    std::deque<Arrival> m_arrivals;
    bool m_readerStalled = false;
    std::optional<PortProblem> m_failure;
};

} // namespace dcf::serial
