#include "platform/serial/port.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/serial.h>
#include <sys/eventfd.h>
#endif

namespace dcf::serial {

namespace {

/// Ends a reader thread's TIOCMIWAIT, which nothing else can: its handler is installed without
/// SA_RESTART, so the blocked call returns EINTR.
int interruptSignal()
{
    return SIGRTMIN + 3;
}

void ignoreSignal(int) { }

void installInterruptHandler()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action = {};
        action.sa_handler = ignoreSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(interruptSignal(), &action, nullptr);
    });
}

/// Errors that say the driver has no such request.
bool isUnsupported(int error)
{
    return error == ENOTTY || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

PortProblem problemOf(PortFault cause, int error)
{
    return {.cause = cause, .systemError = error, .owner = {}, .group = {}};
}

/// The device's owner and group by name (their numbers where they have none).
PortProblem noAccess(int error, const std::string &path)
{
    PortProblem problem = problemOf(PortFault::NoAccess, error);
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0)
        return problem;
    std::array<char, 4096> buffer {};
    passwd user {};
    passwd *foundUser = nullptr;
    getpwuid_r(status.st_uid, &user, buffer.data(), buffer.size(), &foundUser);
    problem.owner = foundUser ? foundUser->pw_name : std::to_string(status.st_uid);
    group userGroup {};
    group *foundGroup = nullptr;
    getgrgid_r(status.st_gid, &userGroup, buffer.data(), buffer.size(), &foundGroup);
    problem.group = foundGroup ? foundGroup->gr_name : std::to_string(status.st_gid);
    return problem;
}

PortProblem openFailure(int error, const std::string &path)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return noAccess(error, path);
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
        return problemOf(PortFault::NoSuchDevice, error);
    case EBUSY:
        return problemOf(PortFault::InUse, error);
    case EIO:
        return problemOf(PortFault::Vanished, error);
    default:
        return problemOf(PortFault::Other, error);
    }
}

/// The device that `path` names, links followed.
std::optional<std::string> resolve(const std::string &path, PortProblem &problem)
{
    if (path.empty()) {
        problem = problemOf(PortFault::NoSuchDevice, ENOENT);
        return std::nullopt;
    }
    std::array<char, PATH_MAX> resolved {};
    if (!::realpath(path.c_str(), resolved.data())) {
        problem = openFailure(errno, path);
        return std::nullopt;
    }
    return std::string(resolved.data());
}

speed_t speedOf(int baud)
{
    switch (baud) {
    case 50:
        return B50;
    case 75:
        return B75;
    default:
        return B38400;
    }
}

/// Raw 8N1 at `baud`, no flow control, and CLOCAL: a receiver on DCD must not hang the line up.
/// With `marksErrors` a break reads as \377 \0 \0 and a framing error as \377 \0 c.
bool setLine(int descriptor, int baud, bool marksErrors)
{
    termios settings {};
    if (tcgetattr(descriptor, &settings) != 0)
        return false;
    cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNPAR | INPCK | PARMRK | IXOFF);
    if (marksErrors)
        settings.c_iflag |= INPCK | PARMRK;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, speedOf(baud));
    cfsetospeed(&settings, speedOf(baud));
    if (tcsetattr(descriptor, TCSANOW, &settings) != 0)
        return false;
    // A driver may round a speed it cannot do; then it is not this one.
    termios actual {};
    return tcgetattr(descriptor, &actual) == 0 && cfgetispeed(&actual) == speedOf(baud);
}

void setPowerLines(int descriptor, PowerLines power)
{
    const bool dtr = power == PowerLines::Dtr || power == PowerLines::Both;
    const bool rts = power == PowerLines::Rts || power == PowerLines::Both;
    int on = (dtr ? TIOCM_DTR : 0) | (rts ? TIOCM_RTS : 0);
    int off = TIOCM_DTR | TIOCM_RTS;
    off &= ~on;
    // A terminal without the lines (a pseudo-terminal) refuses both; it needs no power.
    if (on != 0)
        ::ioctl(descriptor, TIOCMBIS, &on);
    if (off != 0)
        ::ioctl(descriptor, TIOCMBIC, &off);
}

void requestLowLatency([[maybe_unused]] int descriptor)
{
#ifdef __linux__
    // Without it some USB adapters hold characters and line changes back for up to 16 ms.
    // Drivers without the setting (pseudo-terminals among them) refuse; the port works as is.
    serial_struct serial {};
    if (::ioctl(descriptor, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(descriptor, TIOCSSERIAL, &serial);
    }
#endif
}

bool isLineKind(const std::optional<ReceiverKind> &kind)
{
    return kind && settingsOf(*kind).line != 0;
}

/// A descriptor that closes itself.
class Descriptor
{
public:
    explicit Descriptor(int descriptor = -1)
        : m_descriptor(descriptor)
    { }
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_descriptor; }
    int release() { return std::exchange(m_descriptor, -1); }

private:
    int m_descriptor;
};

/// Opens and locks the device for `choice`, as open() and check() both need it.
std::optional<int> openLocked(const std::string &path, const ReceiverChoice &choice,
                              PortProblem &problem, bool &hasModemLines)
{
    struct stat status = {};
    if (::stat(path.c_str(), &status) != 0) {
        problem = openFailure(errno, path);
        return std::nullopt;
    }
    if (!S_ISCHR(status.st_mode)) {
        problem = problemOf(PortFault::NotASerialPort, 0);
        return std::nullopt;
    }
    Descriptor device(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (device.get() < 0) {
        problem = openFailure(errno, path);
        return std::nullopt;
    }
    termios settings {};
    if (tcgetattr(device.get(), &settings) != 0) {
        const int error = errno;
        problem
            = problemOf(isUnsupported(error) ? PortFault::NotASerialPort : PortFault::Other, error);
        return std::nullopt;
    }
    // The lock sits on the device itself, so every path to it finds it; root passes TIOCEXCL.
    if (::flock(device.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        problem = problemOf(PortFault::InUse, EWOULDBLOCK);
        return std::nullopt;
    }
    int lines = 0;
    hasModemLines = ::ioctl(device.get(), TIOCMGET, &lines) == 0;
    if (!hasModemLines && isLineKind(choice.kind)) {
        problem = problemOf(PortFault::NoModemLines, errno);
        return std::nullopt;
    }
    return device.release();
}

class PosixPort final : public Port
{
public:
    PosixPort(int descriptor, std::string identity, bool hasModemLines)
        : m_descriptor(descriptor)
        , m_identity(std::move(identity))
        , m_hasModemLines(hasModemLines)
    {
#ifdef __linux__
        m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        m_wakeWrite = m_wake;
#else
        std::array<int, 2> ends {};
        if (::pipe(ends.data()) == 0) {
            m_wake = ends[0];
            m_wakeWrite = ends[1];
            for (const int end : ends) {
                ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
                ::fcntl(end, F_SETFD, FD_CLOEXEC);
            }
        }
#endif
    }

    ~PosixPort() override
    {
        ::close(m_descriptor);
        ::close(m_wake);
        if (m_wakeWrite != m_wake && m_wakeWrite >= 0)
            ::close(m_wakeWrite);
    }

    const std::string &identity() const override
    {
        return m_identity;
    }
    bool hasModemLines() const override
    {
        return m_hasModemLines;
    }

    void adoptReaderThread() override
    {
        installInterruptHandler();
        const std::scoped_lock lock(m_threadMutex);
        m_reader = pthread_self();
        m_hasReader = true;
    }

    Outcome waitForCharacters(bool characters, std::optional<int64_t> deadlineMicroseconds) override
    {
        std::array<pollfd, 2> watched {
            {{m_descriptor, static_cast<short>(characters ? POLLIN : 0), 0}, {m_wake, POLLIN, 0}}};
        timespec timeout {};
        if (deadlineMicroseconds) {
            const int64_t left = std::max<int64_t>(0, *deadlineMicroseconds - stampNow());
            timeout.tv_sec = static_cast<time_t>(left / 1'000'000);
            timeout.tv_nsec = static_cast<long>(left % 1'000'000 * 1000);
        }
        const int ready = ::ppoll(watched.data(), watched.size(),
                                  deadlineMicroseconds ? &timeout : nullptr, nullptr);
        if (ready < 0)
            return errno == EINTR ? Outcome::Interrupted : fail(errno);
        if (ready == 0)
            return Outcome::TimedOut;
        if ((watched[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            return fail(EIO);
        if ((watched[1].revents & POLLIN) != 0) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t drained = ::read(m_wake, &count, sizeof count);
            return Outcome::Interrupted;
        }
        return Outcome::Ready;
    }

    std::optional<std::size_t> readCharacters(std::span<char> into) override
    {
        const ssize_t count = ::read(m_descriptor, into.data(), into.size());
        if (count > 0)
            return static_cast<std::size_t>(count);
        if (count < 0 && (errno == EAGAIN || errno == EINTR))
            return 0;
        // A hung-up terminal reads as an end of file.
        fail(count == 0 ? EIO : errno);
        return std::nullopt;
    }

    Outcome waitForLineChange(unsigned lines) override
    {
        if (::ioctl(m_descriptor, TIOCMIWAIT, systemLines(lines)) == 0)
            return Outcome::Ready;
        const int error = errno;
        if (error == EINTR)
            return Outcome::Interrupted;
        return isUnsupported(error) ? Outcome::Unsupported : fail(error);
    }

    std::optional<LineSample> sampleLines() override
    {
        LineSample sample;
        int state = 0;
        if (::ioctl(m_descriptor, TIOCMGET, &state) != 0) {
            fail(errno);
            return std::nullopt;
        }
        sample.active = ((state & TIOCM_CAR) ? kDcd : 0u) | ((state & TIOCM_CTS) ? kCts : 0u)
            | ((state & TIOCM_DSR) ? kDsr : 0u) | ((state & TIOCM_RNG) ? kRi : 0u);
#ifdef TIOCGICOUNT
        if (m_countsLines) {
            serial_icounter_struct counts {};
            if (::ioctl(m_descriptor, TIOCGICOUNT, &counts) == 0) {
                sample.counts = LineCounts {
                    static_cast<uint32_t>(counts.dcd), static_cast<uint32_t>(counts.cts),
                    static_cast<uint32_t>(counts.dsr), static_cast<uint32_t>(counts.rng)};
            } else {
                m_countsLines = false;
            }
        }
#endif
        return sample;
    }

    int switchToSlowCharacters() override
    {
        const KindSettings slow = settingsOf(ReceiverKind::Rxd50);
        for (const int baud : {slow.baud, slow.fallbackBaud}) {
            if (setLine(m_descriptor, baud, slow.marksErrors)) {
                tcflush(m_descriptor, TCIFLUSH);
                return baud;
            }
        }
        return 0;
    }

    PortProblem failure() const override
    {
        return m_failure;
    }

    void interrupt() override
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeWrite, &one, sizeof one);
        const std::scoped_lock lock(m_threadMutex);
        if (m_hasReader)
            pthread_kill(m_reader, interruptSignal());
    }

private:
    Outcome fail(int error)
    {
        m_failure = problemOf(PortFault::Vanished, error);
        return Outcome::Failed;
    }

    static int systemLines(unsigned lines)
    {
        return ((lines & kDcd) ? TIOCM_CAR : 0) | ((lines & kCts) ? TIOCM_CTS : 0)
            | ((lines & kDsr) ? TIOCM_DSR : 0) | ((lines & kRi) ? TIOCM_RNG : 0);
    }

    const int m_descriptor;
    const std::string m_identity;
    const bool m_hasModemLines;
    int m_wake = -1;
    /// The pipe's other end where there is no eventfd.
    int m_wakeWrite = -1;
    bool m_countsLines = true;
    PortProblem m_failure;
    std::mutex m_threadMutex;
    pthread_t m_reader {};
    bool m_hasReader = false;
};

} // namespace

int64_t stampNow()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

Port::Opened Port::open(const std::string &device, const ReceiverChoice &choice)
{
    Opened opened;
    const std::optional<std::string> path = resolve(device, opened.problem);
    if (!path)
        return opened;
    bool hasModemLines = false;
    const std::optional<int> descriptor = openLocked(*path, choice, opened.problem, hasModemLines);
    if (!descriptor)
        return opened;
    Descriptor owned(*descriptor);
    // Root passes TIOCEXCL; others are told EBUSY, as the lock tells them InUse.
    ::ioctl(owned.get(), TIOCEXCL);
    const KindSettings settings = settingsOf(choice.kind.value_or(ReceiverKind::Characters));
    if (!setLine(owned.get(), settings.baud, settings.marksErrors)
        && !(settings.fallbackBaud != 0
             && setLine(owned.get(), settings.fallbackBaud, settings.marksErrors))) {
        opened.problem = problemOf(PortFault::Other, errno != 0 ? errno : EINVAL);
        return opened;
    }
    setPowerLines(owned.get(), choice.power);
    requestLowLatency(owned.get());
    // What arrived before the open carries the wrong stamps (a pseudo-terminal even keeps what
    // was written while nobody had it open).
    tcflush(owned.get(), TCIFLUSH);
    auto port = std::make_unique<PosixPort>(owned.release(), *path, hasModemLines);
    opened.port = std::move(port);
    return opened;
}

std::optional<PortProblem> Port::check(const std::string &device, const ReceiverChoice &choice,
                                       const std::string &openIdentity)
{
    PortProblem problem;
    const std::optional<std::string> path = resolve(device, problem);
    if (!path)
        return problem;
    if (*path == openIdentity)
        return std::nullopt;
    bool hasModemLines = false;
    const std::optional<int> descriptor = openLocked(*path, choice, problem, hasModemLines);
    if (!descriptor)
        return problem;
    ::close(*descriptor);
    return std::nullopt;
}

} // namespace dcf::serial
