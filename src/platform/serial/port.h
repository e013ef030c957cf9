#pragma once

// The operating system's side of the serial service: a device opened for a kind of receiver, and
// the waits of the reader thread on it. posix_port.cpp implements it for Linux (other POSIX
// systems poll the lines), windows_port.cpp for Windows; the reader's loop above it is the same.

#include "platform/port_problem.h"
#include "platform/receiver.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace dcf::serial {

/// The four input lines, as the service names them on every system: bits of a line set.
inline constexpr unsigned kDcd = 1;
inline constexpr unsigned kCts = 2;
inline constexpr unsigned kDsr = 4;
inline constexpr unsigned kRi = 8;

/// How often the driver has seen each line change since the port opened. Linux counts only the
/// trailing edge of RI (active to inactive).
struct LineCounts
{
    uint32_t dcd = 0;
    uint32_t cts = 0;
    uint32_t dsr = 0;
    uint32_t ri = 0;
    bool operator==(const LineCounts &) const = default;
};

/// The input lines as seen at one moment.
struct LineSample
{
    int64_t stampMicroseconds = 0;
    /// line bits of the lines that are active.
    unsigned active = 0;
    /// Where the driver counts changes.
    std::optional<LineCounts> counts;
    bool operator==(const LineSample &) const = default;
};

/// How the port is set up for a kind of receiver: always 8 data bits, no parity, one stop bit.
struct KindSettings
{
    int baud = 38400;
    /// Where the driver cannot do `baud`; 0: no fall-back.
    int fallbackBaud = 0;
    /// The modem-status line that carries the signal; 0: the characters on RxD.
    unsigned line = 0;
    /// Breaks and framing errors marked in the byte stream (PARMRK), because they are marks.
    bool marksErrors = false;
};

/// One constant per kind; while the kind is being recognised the port runs as for Characters.
constexpr KindSettings settingsOf(ReceiverKind kind)
{
    switch (kind) {
    case ReceiverKind::Dcd:
        return {.line = kDcd};
    case ReceiverKind::Cts:
        return {.line = kCts};
    case ReceiverKind::Dsr:
        return {.line = kDsr};
    case ReceiverKind::Ri:
        return {.line = kRi};
    case ReceiverKind::Rxd50:
        return {.baud = 50, .fallbackBaud = 75, .marksErrors = true};
    case ReceiverKind::Characters:
        break;
    }
    return {};
}

/// Now on the clock of the stamps: CLOCK_MONOTONIC microseconds (steady_clock elsewhere).
int64_t stampNow();

class Port
{
public:
    /// Closes the device and gives up its lock.
    virtual ~Port() = default;

    struct Opened
    {
        std::unique_ptr<Port> port;
        /// Why there is no port.
        PortProblem problem;
    };
    /// Opens `device` for `choice`: locked, set up for the chosen kind (or for recognising), the
    /// power lines set, and what waited there dropped.
    static Opened open(const std::string &device, const ReceiverChoice &choice);
    /// Whether `device` could be opened for `choice`, touching no open port. `openIdentity` is
    /// identity() of the port open here (empty: none); that device counts as usable.
    static std::optional<PortProblem> check(const std::string &device, const ReceiverChoice &choice,
                                            const std::string &openIdentity);

    /// The device itself, whatever path led to it (the resolved path).
    virtual const std::string &identity() const = 0;
    /// Whether the driver reports the modem-status lines at all.
    virtual bool hasModemLines() const = 0;

    // On the reader thread.

    enum class Outcome {
        Ready, ///< characters arrived, or a watched line changed
        TimedOut,
        Interrupted, ///< interrupt() was called (or a signal came)
        Failed, ///< the device is gone or unreadable: failure() says why
        Unsupported, ///< the driver cannot wait for line changes
    };
    /// Marks the calling thread as the one that interrupt() must reach.
    virtual void adoptReaderThread() = 0;
    /// Waits until characters have arrived (only when `characters`), `deadlineMicroseconds` (on
    /// the stamps' clock) has passed, or interrupt() is called. A hang-up ends it as Failed.
    virtual Outcome waitForCharacters(bool characters, std::optional<int64_t> deadlineMicroseconds)
        = 0;
    /// What has arrived, without waiting: the count read (0: nothing), or nothing when the device
    /// has failed.
    virtual std::optional<std::size_t> readCharacters(std::span<char> into) = 0;
    /// Blocks until one of `lines` (line bits) changes or interrupt() is called.
    virtual Outcome waitForLineChange(unsigned lines) = 0;
    /// The lines now (stamped by the caller), or nothing when the device has failed.
    virtual std::optional<LineSample> sampleLines() = 0;
    /// Switches to 50 baud with marked errors, else to 75; returns the baud set, 0 for neither.
    virtual int switchToSlowCharacters() = 0;
    /// Why the device failed.
    virtual PortProblem failure() const = 0;

    // On any thread.

    /// Ends the reader thread's current wait soon (also one in waitForLineChange()).
    virtual void interrupt() = 0;
};

} // namespace dcf::serial
