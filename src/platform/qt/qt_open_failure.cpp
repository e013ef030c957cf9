#include "platform/qt/qt_open_failure.h"

#include <cerrno>

namespace dcf {

PortOpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, int systemError)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortOpenFailure::NoSuchDevice;
    case QSerialPort::PermissionError:
#ifdef _WIN32
        // Windows refuses a port in use with "access denied" too; the message says so.
        return PortOpenFailure::NoAccess;
#else
        // Anything but a refusal (EBUSY: opened exclusively; or the lock of another program)
        // means the device is taken.
        return systemError == EACCES || systemError == EPERM ? PortOpenFailure::NoAccess
                                                             : PortOpenFailure::InUse;
#endif
    default:
        break;
    }
    if (systemError == ENODEV || systemError == ENXIO || systemError == ENOENT)
        return PortOpenFailure::NoSuchDevice;
    return PortOpenFailure::Other;
}

} // namespace dcf
