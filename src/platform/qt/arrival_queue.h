#pragma once

// What the serial reader thread hands to the window thread: the received bytes with their arrival
// times, and the failure of the device. It is all that the two threads share, behind one lock.
// Bounded: when it is full the reader stops reading, and the bytes wait in the driver.

#include "platform/serial_port.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

namespace dcf {

class ArrivalQueue
{
public:
    explicit ArrivalQueue(std::size_t capacity)
        : m_capacity(capacity)
    { }

    // The reader thread's side.

    /// Room for this many more bytes. None left marks the reader stalled, until take() has made
    /// room again and says so.
    std::size_t roomOrStall();
    /// Appends `bytes` (at most the room), all arrived at `arrivalMicroseconds`. Returns whether
    /// the queue was empty before: then the window thread may be waiting and must be woken.
    bool put(std::string_view bytes, int64_t arrivalMicroseconds);
    /// The device has failed: what was queued is dropped and `problem` says why (the first
    /// failure's cause stays). Returns whether this is news for the window thread.
    bool fail(const PortProblem &problem);
    /// Nothing queued, nothing failed: a port that has just been opened or closed.
    void clear();

    // The window thread's side.

    struct Taken
    {
        /// Up to the count asked for, with the arrival time of the first.
        SerialInput input;
        /// The reader had stalled and there is room again: it must be told to read on.
        bool resumeReader = false;
    };
    /// The oldest bytes; nothing once the device has failed.
    Taken take(std::size_t count);
    bool hasFailed() const;
    std::optional<PortProblem> failure() const;

private:
    mutable std::mutex m_mutex;
    const std::size_t m_capacity;
    std::deque<std::pair<char, int64_t>> m_bytes;
    bool m_readerStalled = false;
    std::optional<PortProblem> m_failure;
};

} // namespace dcf
