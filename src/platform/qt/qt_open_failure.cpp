#include "platform/qt/qt_open_failure.h"

#include <array>
#include <cerrno>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dcf {

PortProblem classifyOpenFailure(QSerialPort::SerialPortError error, int systemError)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return {PortFault::NoSuchDevice, systemError};
    case QSerialPort::PermissionError:
#ifdef _WIN32
        // Windows refuses a port in use with "access denied" too; the message says so.
        return {PortFault::NoAccess, systemError};
#else
        // Anything but a refusal (EBUSY: opened exclusively; or the lock of another program)
        // means the device is taken.
        return {systemError == EACCES || systemError == EPERM ? PortFault::NoAccess
                                                              : PortFault::InUse,
                systemError};
#endif
    default:
        break;
    }
    if (systemError == ENODEV || systemError == ENXIO || systemError == ENOENT)
        return {PortFault::NoSuchDevice, systemError};
    if (systemError == ENOTTY)
        return {PortFault::NotASerialPort, systemError};
    return {PortFault::Other, systemError};
}

#ifdef _WIN32

std::optional<PortProblem> problemBeforeOpening(const std::string &)
{
    return std::nullopt;
}

void addOwnership(PortProblem &, const std::string &) { }

bool sameDevice(const std::string &first, const std::string &second)
{
    return first == second;
}

#else

std::optional<PortProblem> problemBeforeOpening(const std::string &device)
{
    struct stat status = {};
    if (::stat(device.c_str(), &status) != 0) {
        const int systemError = errno;
        if (systemError == ENOENT || systemError == ENOTDIR)
            return PortProblem {PortFault::NoSuchDevice, systemError};
        return std::nullopt; // QSerialPort finds the same and says it in its terms
    }
    if (!S_ISCHR(status.st_mode))
        return PortProblem {PortFault::NotASerialPort, 0};
    // A character device may still be no terminal (/dev/null, /dev/zero). One that does not
    // open here is left to QSerialPort, which reports why.
    const int descriptor = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    const bool terminal = ::isatty(descriptor) == 1;
    const int systemError = errno;
    ::close(descriptor);
    if (!terminal)
        return PortProblem {PortFault::NotASerialPort, systemError == ENOTTY ? 0 : systemError};
    return std::nullopt;
}

void addOwnership(PortProblem &problem, const std::string &device)
{
    struct stat status = {};
    if (::stat(device.c_str(), &status) != 0)
        return;
    std::array<char, 4096> buffer {};
    passwd user {};
    passwd *foundUser = nullptr;
    if (::getpwuid_r(status.st_uid, &user, buffer.data(), buffer.size(), &foundUser) == 0
        && foundUser)
        problem.owner = foundUser->pw_name;
    else
        problem.owner = std::to_string(status.st_uid);
    group team {};
    group *foundGroup = nullptr;
    if (::getgrgid_r(status.st_gid, &team, buffer.data(), buffer.size(), &foundGroup) == 0
        && foundGroup)
        problem.group = foundGroup->gr_name;
    else
        problem.group = std::to_string(status.st_gid);
}

bool sameDevice(const std::string &first, const std::string &second)
{
    if (first == second)
        return true;
    struct stat a = {};
    struct stat b = {};
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0)
        return false;
    if (S_ISCHR(a.st_mode) && S_ISCHR(b.st_mode))
        return a.st_rdev == b.st_rdev;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

#endif

} // namespace dcf
