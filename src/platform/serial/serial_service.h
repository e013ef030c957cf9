#pragma once

// The serial service: it opens the receiver's port, reads it on a thread of its own and turns
// whatever the receiver delivers (characters, a modem-status line, RxD at 50 baud) into one stream
// of stamped edges. The window thread takes them as the characters "1" and "0" through read(); an
// EdgeListener takes them on the reader's thread. Qt-free: the program on Qt and the reference
// clock for chrony both read the receiver through it.

#include "platform/edge.h"
#include "platform/port_problem.h"
#include "platform/receiver.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace dcf {

/// One character for the window thread with the moment it arrived (for the level kinds: the
/// moment of the edge it stands for).
struct Arrival
{
    char character = 0;
    /// CLOCK_MONOTONIC microseconds, the clock of TimeBase::microseconds().
    int64_t stampMicroseconds = 0;
    bool operator==(const Arrival &) const = default;
};

/// How the reader thread is scheduled; the program says which in one line at start-up.
enum class ReaderScheduling {
    Normal, ///< neither allowed: it waits for a processor like any thread
    RealTime, ///< SCHED_FIFO set directly (the process may)
    RealTimeKit, ///< SCHED_FIFO granted by RealtimeKit on the desktop session
};

/// Asks RealtimeKit to make the thread `threadId` (the kernel's thread id) real-time at
/// `priority`; returns whether it did. The program on Qt asks through D-Bus.
using RealtimeKitRequest = std::function<bool(int64_t threadId, int priority)>;

struct SerialServiceSetup
{
    /// Called on the reader thread when read() or failure() has news: the first character after
    /// an empty queue, or the failure of the port. It must return quickly.
    std::function<void()> wake;
    /// Where the process may not set real-time scheduling itself. Empty: not asked.
    RealtimeKitRequest realtimeKit;
    /// What waits for the window thread at most; a second of a full 38400-baud line fits.
    std::size_t queuedCharacters = 4096;
};

class SerialService
{
public:
    /// Starts the reader thread, which asks for real-time scheduling at once.
    explicit SerialService(SerialServiceSetup setup = {});
    ~SerialService();
    SerialService(const SerialService &) = delete;
    SerialService &operator=(const SerialService &) = delete;

    /// Opens `device` for the receiver `choice` (closing what was open) and starts reading it.
    /// The device is locked, so a second program is told InUse whichever path to it was typed.
    std::optional<PortProblem> open(const std::string &device, const ReceiverChoice &choice);
    /// Whether `device` could be opened for `choice` now, leaving an open port alone. The device
    /// that is open here counts as usable.
    std::optional<PortProblem> check(const std::string &device, const ReceiverChoice &choice) const;
    void close();
    /// Open and not failed.
    bool isOpen() const;

    /// The next character for the window thread, or nothing. Level kinds give "1" and "0", one per
    /// edge; the characters kind gives the bytes as received. Nothing once the port has failed.
    std::optional<Arrival> read();
    /// Why the open port failed (then the reader has closed it), or nothing.
    std::optional<PortProblem> failure() const;

    /// Gets every edge on the reader's thread from now on; null detaches. Once attached, the
    /// reader keeps reading also while the window thread does not, and what the window thread
    /// would get is dropped while its queue is full.
    void setEdgeListener(EdgeListener *listener);

    /// The kind being read: as chosen, or as recognised since the open; nothing before.
    std::optional<ReceiverKind> kind() const;
    ReaderScheduling scheduling() const;

    class Reader;

private:
    std::unique_ptr<Reader> m_reader;
};

} // namespace dcf
