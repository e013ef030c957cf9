#include "line_board.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <linux/futex.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <unistd.h>

namespace dcf::modemlines {

namespace {

constexpr uint32_t kMagic = 0x4443'4c42; // "DCLB"
constexpr uint32_t kVersion = 2;

template<typename T> std::atomic_ref<T> shared(T &field)
{
    return std::atomic_ref<T>(field);
}

} // namespace

struct LineBoard::Layout
{
    uint32_t magic = kMagic;
    uint32_t version = kVersion;
    uint64_t device = 0;
    /// The simulator's process: a board whose simulator was killed is hung up by the library.
    int32_t owner = 0;
    /// The futex word: odd while the simulator writes.
    uint32_t sequence = 0;
    uint32_t inputs = 0;
    uint32_t outputs = 0;
    uint32_t hungUp = 0;
    LineCounts counts;
};

uint32_t inputLineMask()
{
    return TIOCM_CAR | TIOCM_CTS | TIOCM_DSR | TIOCM_RNG;
}

uint32_t outputLineMask()
{
    return TIOCM_DTR | TIOCM_RTS;
}

bool changedWithin(uint32_t mask, const LineCounts &before, const LineCounts &after)
{
    return ((mask & TIOCM_RNG) && before.rng != after.rng)
        || ((mask & TIOCM_DSR) && before.dsr != after.dsr)
        || ((mask & TIOCM_CAR) && before.dcd != after.dcd)
        || ((mask & TIOCM_CTS) && before.cts != after.cts);
}

std::string boardPath(dev_t device)
{
    const char *directory = std::getenv("DCF77_LINE_BOARDS");
    return std::string(directory && *directory ? directory : "/tmp") + "/dcf77-lines-"
        + std::to_string(major(device)) + "-" + std::to_string(minor(device));
}

LineBoard::LineBoard(Layout *layout, ino_t inode, bool owner)
    : m_layout(layout)
    , m_inode(inode)
    , m_owner(owner)
{ }

std::unique_ptr<LineBoard> LineBoard::createFor(const std::string &devicePath)
{
    struct stat device = {};
    if (::stat(devicePath.c_str(), &device) != 0)
        throw std::system_error(errno, std::generic_category(), devicePath);
    return create(device.st_rdev);
}

std::unique_ptr<LineBoard> LineBoard::create(dev_t device)
{
    const std::string path = boardPath(device);
    const auto fail = [&path](int error) {
        throw std::system_error(error, std::generic_category(),
                                "cannot make the line board " + path);
    };
    ::unlink(path.c_str()); // a board left by a simulator that was killed
    const int file = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (file < 0)
        fail(errno);
    struct stat status
    {
    };
    void *memory = MAP_FAILED;
    if (::ftruncate(file, sizeof(Layout)) == 0 && ::fstat(file, &status) == 0)
        memory = ::mmap(nullptr, sizeof(Layout), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    const int error = errno;
    ::close(file);
    if (memory == MAP_FAILED) {
        ::unlink(path.c_str());
        fail(error);
    }
    auto *layout = new (memory) Layout;
    layout->device = device;
    layout->owner = static_cast<int32_t>(::getpid());
    return std::unique_ptr<LineBoard>(new LineBoard(layout, status.st_ino, true));
}

std::unique_ptr<LineBoard> LineBoard::attach(dev_t device)
{
    const int file = ::open(boardPath(device).c_str(), O_RDWR | O_CLOEXEC);
    if (file < 0)
        return nullptr;
    struct stat status
    {
    };
    void *memory = MAP_FAILED;
    if (::fstat(file, &status) == 0 && status.st_size >= off_t {sizeof(Layout)})
        memory = ::mmap(nullptr, sizeof(Layout), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    ::close(file);
    if (memory == MAP_FAILED)
        return nullptr;
    auto *layout = static_cast<Layout *>(memory);
    if (layout->magic != kMagic || layout->version != kVersion || layout->device != device) {
        ::munmap(memory, sizeof(Layout));
        return nullptr;
    }
    return std::unique_ptr<LineBoard>(new LineBoard(layout, status.st_ino, false));
}

LineBoard::~LineBoard()
{
    if (m_owner) {
        const LineSnapshot last = read();
        publish(last.inputs, last.counts, true);
        ::unlink(boardPath(static_cast<dev_t>(m_layout->device)).c_str());
    }
    ::munmap(m_layout, sizeof(Layout));
}

LineSnapshot LineBoard::read() const
{
    Layout &board = *m_layout;
    for (;;) {
        LineSnapshot snapshot;
        snapshot.sequence = shared(board.sequence).load();
        if (snapshot.sequence % 2 != 0)
            continue; // the writer is between its two steps, a few instructions long
        snapshot.inputs = shared(board.inputs).load();
        snapshot.hungUp = shared(board.hungUp).load() != 0;
        snapshot.counts = {shared(board.counts.cts).load(), shared(board.counts.dsr).load(),
                           shared(board.counts.rng).load(), shared(board.counts.dcd).load()};
        snapshot.outputs = shared(board.outputs).load();
        if (shared(board.sequence).load() == snapshot.sequence)
            return snapshot;
    }
}

void LineBoard::publish(uint32_t inputs, const LineCounts &counts, bool hungUp)
{
    Layout &board = *m_layout;
    shared(board.sequence).fetch_add(1);
    shared(board.inputs).store(inputs);
    shared(board.counts.cts).store(counts.cts);
    shared(board.counts.dsr).store(counts.dsr);
    shared(board.counts.rng).store(counts.rng);
    shared(board.counts.dcd).store(counts.dcd);
    shared(board.hungUp).store(hungUp ? 1 : 0);
    shared(board.sequence).fetch_add(1);
    ::syscall(SYS_futex, &board.sequence, FUTEX_WAKE, INT32_MAX, nullptr, nullptr, 0);
}

bool LineBoard::hangUpIfOwnerGone()
{
    const LineSnapshot last = read();
    if (last.hungUp || ::kill(static_cast<pid_t>(m_layout->owner), 0) == 0 || errno != ESRCH)
        return false;
    publish(last.inputs, last.counts, true);
    return true;
}

void LineBoard::setInput(uint32_t line, bool active)
{
    LineSnapshot now = read();
    if (((now.inputs & line) != 0) == active)
        return;
    LineCounts &counts = now.counts;
    if (line == TIOCM_CAR)
        ++counts.dcd;
    else if (line == TIOCM_CTS)
        ++counts.cts;
    else if (line == TIOCM_DSR)
        ++counts.dsr;
    else if (line == TIOCM_RNG && !active)
        ++counts.rng; // the serial core counts only the ring's trailing edge
    publish(active ? now.inputs | line : now.inputs & ~line, counts, now.hungUp);
}

void LineBoard::setOutputs(uint32_t lines)
{
    shared(m_layout->outputs).store(lines & outputLineMask());
}

void LineBoard::raiseOutputs(uint32_t lines)
{
    shared(m_layout->outputs).fetch_or(lines & outputLineMask());
}

void LineBoard::lowerOutputs(uint32_t lines)
{
    shared(m_layout->outputs).fetch_and(~(lines & outputLineMask()));
}

int LineBoard::waitForChange(const LineSnapshot &snapshot) const
{
    // Without a timeout the kernel restarts the wait after a handler installed with SA_RESTART
    // and fails it with EINTR otherwise, exactly as it treats TIOCMIWAIT.
    if (::syscall(SYS_futex, &m_layout->sequence, FUTEX_WAIT, snapshot.sequence, nullptr, nullptr,
                  0)
        == 0)
        return 0;
    return errno == EAGAIN ? 0 : errno;
}

} // namespace dcf::modemlines
