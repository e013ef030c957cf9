#pragma once

// The line board: the modem-status lines of a simulated receiver's pseudo-terminal, shared between
// dcf77-sim (which drives the input lines) and libdcf77-modem-lines.so (preloaded into the program
// in end-to-end runs, where it answers the modem-status ioctls on that terminal from the board).
// A pseudo-terminal has no such lines of its own.
//
//   dcf77-sim --receiver dcd ─ setInput() ─► board file ◄─ ioctl(TIOCMIWAIT, ...) ─ the program
//
// The protocol, all of it:
// - The board of the terminal with device number D is the file boardPath(D):
//   "$DCF77_LINE_BOARDS/dcf77-lines-MAJOR-MINOR" ("/tmp" when the variable is unset), a Layout
//   that both sides map shared. The simulator creates it before it prints the device path and
//   removes it at exit; the library accepts it only when magic, version and device match the
//   descriptor asked about, so a descriptor of any other terminal goes to the real ioctl.
// - The simulator is the only writer of the input lines and their counters. It makes `sequence`
//   odd, writes, makes it even again and wakes every futex waiter on it: a reader that saw an
//   odd or changed sequence reads again, and a waiter sleeps on an even value.
// - The counters count as the Linux serial core does: DCD, CTS and DSR every change, RI only its
//   trailing edge (set to cleared), so TIOCMIWAIT on TIOCM_RNG wakes only then.
// - `outputs` holds DTR and RTS as the program set them (TIOCMSET/TIOCMBIS/TIOCMBIC); the library
//   changes it atomically, the simulator reads it and clears it when the program closes the port.
// - `hungUp` turns 1 when the simulator ends: waits end with EIO, as on an unplugged adapter.
//   A simulator killed outright cannot say so; the library then does, having found its process
//   (`owner`) gone.

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

namespace dcf::modemlines {

/// The input lines a receiver can drive (TIOCM_CAR, TIOCM_CTS, TIOCM_DSR, TIOCM_RNG).
uint32_t inputLineMask();
/// The output lines the program can set (TIOCM_DTR, TIOCM_RTS).
uint32_t outputLineMask();

/// The change counters, as the fields of the kernel's serial_icounter_struct.
struct LineCounts
{
    int32_t cts = 0;
    int32_t dsr = 0;
    int32_t rng = 0;
    int32_t dcd = 0;
    bool operator==(const LineCounts &) const = default;
};

/// One consistent reading of the board.
struct LineSnapshot
{
    uint32_t sequence = 0;
    uint32_t inputs = 0;
    uint32_t outputs = 0;
    bool hungUp = false;
    LineCounts counts;
};

/// Whether a line in `mask` (TIOCM_* bits) changed between two readings of the counters.
bool changedWithin(uint32_t mask, const LineCounts &before, const LineCounts &after);

/// Where the board of the terminal with device number `device` lives.
std::string boardPath(dev_t device);

class LineBoard
{
public:
    struct Layout;

    /// Makes the board of `device`, all lines cleared, replacing a stale one. The simulator's
    /// side; throws std::system_error. The board is removed and marked hung up on destruction.
    static std::unique_ptr<LineBoard> create(dev_t device);
    /// create() for the terminal whose device is at `devicePath`.
    static std::unique_ptr<LineBoard> createFor(const std::string &devicePath);
    /// Maps the board of `device` if there is a valid one; null otherwise. The library's side.
    static std::unique_ptr<LineBoard> attach(dev_t device);
    ~LineBoard();
    LineBoard(const LineBoard &) = delete;
    LineBoard &operator=(const LineBoard &) = delete;

    LineSnapshot read() const;
    /// Sets or clears one input line (a TIOCM_* bit), counting the change as the kernel does.
    void setInput(uint32_t line, bool active);
    /// TIOCMSET/TIOCMBIS/TIOCMBIC on the output lines; other bits are ignored, as the serial
    /// core ignores them.
    void setOutputs(uint32_t lines);
    void raiseOutputs(uint32_t lines);
    void lowerOutputs(uint32_t lines);
    /// Sleeps until the board changes after `snapshot` was read. Returns 0, or an errno value:
    /// EINTR when a signal handler ran (without SA_RESTART; with it the wait goes on).
    int waitForChange(const LineSnapshot &snapshot) const;
    /// Marks the board hung up when the simulator that made it has gone without doing so (killed
    /// outright); returns whether it did. The library's side.
    bool hangUpIfOwnerGone();
    /// The inode of the board's file, to tell a board from a newer one at the same path.
    ino_t inode() const { return m_inode; }

private:
    LineBoard(Layout *layout, ino_t inode, bool owner);
    void publish(uint32_t inputs, const LineCounts &counts, bool hungUp);

    Layout *m_layout = nullptr;
    ino_t m_inode = 0;
    bool m_owner = false;
};

} // namespace dcf::modemlines
