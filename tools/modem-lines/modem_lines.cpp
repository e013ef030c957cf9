// libdcf77-modem-lines.so: preloaded into the program in end-to-end runs only, it gives the
// simulator's pseudo-terminal the modem-status lines it lacks. It takes over ioctl() and answers
// TIOCMIWAIT, TIOCGICOUNT, TIOCMGET, TIOCMSET, TIOCMBIS and TIOCMBIC from the terminal's line
// board (see line_board.h) as the Linux serial core would; everything else, and every descriptor
// without a board, goes to the real ioctl. Usage:
//   dcf77-sim --receiver dcd            # prints /dev/pts/N
//   LD_PRELOAD=.../libdcf77-modem-lines.so dcf77 --receiver dcd
// A program built with AddressSanitizer also needs ASAN_OPTIONS=verify_asan_link_order=0, as the
// sanitizer otherwise insists on coming first.

#include "line_board.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <dlfcn.h>
#include <linux/serial.h>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>

namespace {

using dcf::modemlines::LineBoard;
using dcf::modemlines::LineSnapshot;

using Ioctl = int (*)(int, unsigned long, ...);

int realIoctl(int descriptor, unsigned long request, void *argument)
{
    static const auto real = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    return real(descriptor, request, argument);
}

bool isModemRequest(unsigned long request)
{
    switch (request) {
    case TIOCMIWAIT:
    case TIOCGICOUNT:
    case TIOCMGET:
    case TIOCMSET:
    case TIOCMBIS:
    case TIOCMBIC:
        return true;
    default:
        return false;
    }
}

/// The boards seen so far, mapped for the rest of the process: a wait may still sleep on one
/// whose simulator has gone. A newer board of the same terminal is told apart by its inode.
class Boards
{
public:
    LineBoard *forDescriptor(int descriptor)
    {
        struct stat device
        {
        };
        if (::fstat(descriptor, &device) != 0 || !S_ISCHR(device.st_mode))
            return nullptr;
        struct stat file
        {
        };
        if (::stat(dcf::modemlines::boardPath(device.st_rdev).c_str(), &file) != 0)
            return nullptr;
        const std::lock_guard lock(m_mutex);
        for (const Entry &entry : m_entries) {
            if (entry.device == device.st_rdev && entry.board->inode() == file.st_ino)
                return entry.board.get();
        }
        std::unique_ptr<LineBoard> board = LineBoard::attach(device.st_rdev);
        if (!board)
            return nullptr;
        m_entries.push_back({device.st_rdev, std::move(board)});
        if (m_entries.size() == 1)
            watchOwners();
        return m_entries.back().board.get();
    }

private:
    /// An unplugged adapter ends every wait with EIO; a simulator killed outright leaves its board
    /// as it was, so a thread looks for boards whose simulator is gone, a few times a second.
    void watchOwners()
    {
        std::thread([this] {
            for (;;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                const std::lock_guard lock(m_mutex);
                for (Entry &entry : m_entries)
                    entry.board->hangUpIfOwnerGone();
            }
        }).detach();
    }

    struct Entry
    {
        dev_t device;
        std::unique_ptr<LineBoard> board;
    };
    std::mutex m_mutex;
    std::deque<Entry> m_entries;
};

int failWith(int error)
{
    errno = error;
    return -1;
}

/// TIOCMIWAIT: returns once a line in `mask` changed after the call began.
int waitForLines(const LineBoard &board, uint32_t mask)
{
    const LineSnapshot start = board.read();
    for (LineSnapshot now = start;; now = board.read()) {
        if (dcf::modemlines::changedWithin(mask, start.counts, now.counts))
            return 0;
        if (now.hungUp)
            return failWith(EIO);
        if (const int error = board.waitForChange(now))
            return failWith(error);
    }
}

int answer(LineBoard &board, unsigned long request, void *argument)
{
    const LineSnapshot now = board.read();
    if (now.hungUp)
        return failWith(EIO);
    const auto lines = [argument] {
        return static_cast<uint32_t>(*static_cast<int *>(argument));
    };
    switch (request) {
    case TIOCMIWAIT:
        return waitForLines(board, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(argument)));
    case TIOCGICOUNT: {
        serial_icounter_struct counts {};
        counts.cts = now.counts.cts;
        counts.dsr = now.counts.dsr;
        counts.rng = now.counts.rng;
        counts.dcd = now.counts.dcd;
        std::memcpy(argument, &counts, sizeof counts);
        return 0;
    }
    case TIOCMGET:
        *static_cast<int *>(argument) = static_cast<int>(now.inputs | now.outputs);
        return 0;
    case TIOCMSET:
        board.setOutputs(lines());
        return 0;
    case TIOCMBIS:
        board.raiseOutputs(lines());
        return 0;
    case TIOCMBIC:
        board.lowerOutputs(lines());
        return 0;
    default:
        return failWith(ENOTTY);
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) int ioctl(int descriptor, unsigned long request,
                                                            ...) noexcept
{
    va_list arguments;
    va_start(arguments, request);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);

    if (isModemRequest(request)) {
        // Never destroyed: a reader thread may still sleep on a board while the process exits.
        static Boards &boards = *new Boards;
        const int callersErrno = errno; // the look-up's failures are not the caller's
        if (LineBoard *board = boards.forDescriptor(descriptor))
            return answer(*board, request, argument);
        errno = callersErrno;
    }
    return realIoctl(descriptor, request, argument);
}
