#include "pseudo_terminal.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace dcf::sim {

namespace {

/// Temporary names tried beside the link before giving up.
constexpr int kLinkAttempts = 100;

[[noreturn]] void throwErrno(const std::string &what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

int openDeviceRaw(const std::string &path)
{
    const int device = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (device < 0)
        return -1;
    termios raw {};
    if (tcgetattr(device, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(device, TCSANOW, &raw);
    }
    tcflush(device, TCIFLUSH);
    return device;
}

PseudoTerminal::PseudoTerminal(DeviceEnd deviceEnd)
{
    termios settings {};
    cfmakeraw(&settings);
    cfsetispeed(&settings, B38400);
    cfsetospeed(&settings, B38400);
    settings.c_cflag |= CLOCAL | CREAD;

    std::array<char, 256> path {};
    if (openpty(&m_controller, &m_device, path.data(), &settings, nullptr) != 0)
        throwErrno("openpty");
    m_devicePath = path.data();
    if (deviceEnd == DeviceEnd::Released) {
        ::close(m_device);
        m_device = -1;
    }

    const int flags = fcntl(m_controller, F_GETFL);
    if (flags < 0 || fcntl(m_controller, F_SETFL, flags | O_NONBLOCK) != 0
        || fcntl(m_controller, F_SETFD, FD_CLOEXEC) != 0) {
        const int error = errno;
        hangUp();
        errno = error;
        throwErrno("fcntl");
    }
}

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
}

void PseudoTerminal::hangUp()
{
    for (int *end : {&m_controller, &m_device}) {
        if (*end >= 0)
            ::close(*end);
        *end = -1;
    }
}

bool PseudoTerminal::readerPresent()
{
    if (m_controller < 0)
        return false;
    pollfd watch {m_controller, POLLOUT, 0};
    if (poll(&watch, 1, 0) < 0)
        return m_readerWasPresent; // interrupted: nothing learnt
    if ((watch.revents & POLLHUP) != 0) {
        readerLeft();
        return false;
    }
    m_readerWasPresent = true;
    return true;
}

void PseudoTerminal::readerLeft()
{
    if (!m_readerWasPresent)
        return;
    m_readerWasPresent = false;
    // A closed device keeps its unread input for the next program that opens it; a real line
    // would have lost it. Only the device side can discard it.
    const int device = openDeviceRaw(m_devicePath);
    if (device >= 0)
        ::close(device);
}

std::size_t PseudoTerminal::send(std::string_view data)
{
    if (data.empty() || !readerPresent())
        return 0;
    const ssize_t written = ::write(m_controller, data.data(), data.size());
    // EAGAIN: the program does not read and the buffer is full; EIO: it just closed the
    // device. Either way the characters are lost, as on a real line.
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

namespace {

const char *kindOfFile(mode_t mode)
{
    if (S_ISREG(mode))
        return "a regular file";
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISFIFO(mode))
        return "a FIFO";
    return "a socket";
}

} // namespace

DeviceLink::DeviceLink(std::string linkPath, const std::string &target)
    : m_linkPath(std::move(linkPath))
    , m_target(target)
{
    // Only a symbolic link may be replaced: the path might name a real port or someone's file.
    struct stat existing
    {
    };
    if (::lstat(m_linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        throw std::runtime_error(m_linkPath + " is " + kindOfFile(existing.st_mode)
                                 + ", not a symbolic link; it is left as it is");
    }
    // Made under a free temporary name and renamed over the old link, so that the path never
    // points nowhere and the old link is replaced in one step.
    std::string temporary;
    for (int attempt = 0;; ++attempt) {
        temporary = m_linkPath + ".new" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        if (::symlink(target.c_str(), temporary.c_str()) == 0)
            break;
        if (errno != EEXIST || attempt == kLinkAttempts)
            throwErrno("cannot make the link " + m_linkPath);
    }
    if (::rename(temporary.c_str(), m_linkPath.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        throwErrno("cannot make the link " + m_linkPath);
    }
}

DeviceLink::~DeviceLink()
{
    // Only our own link: another simulator may have taken the path over meanwhile.
    std::array<char, 4096> target {};
    const ssize_t length = ::readlink(m_linkPath.c_str(), target.data(), target.size() - 1);
    if (length > 0 && std::string(target.data(), static_cast<std::size_t>(length)) == m_target)
        ::unlink(m_linkPath.c_str());
}

} // namespace dcf::sim
