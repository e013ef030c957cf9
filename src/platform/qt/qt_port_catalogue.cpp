#include "platform/qt/qt_port_catalogue.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <tuple>

namespace dcf {

namespace {

/// "/dev/ttyUSB10" as ("/dev/ttyUSB", 10, ...), so that numbers sort by value.
auto naturalKey(const std::string &device)
{
    const std::size_t digits = device.find_last_not_of("0123456789") + 1;
    const std::string stem = device.substr(0, digits);
    const std::string number = device.substr(digits);
    return std::make_tuple(stem, number.size(), number);
}

} // namespace

std::vector<SerialPortInfo> listSerialPorts()
{
    std::vector<SerialPortInfo> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef _WIN32
        // "COM3": what Windows users know, never the device path behind it.
        const QString device = info.portName();
#else
        const QString device = info.systemLocation();
#endif
        ports.push_back({device.toStdString(), info.description().trimmed().toStdString(),
                         info.manufacturer().trimmed().toStdString()});
    }
    std::ranges::sort(ports, {},
                      [](const SerialPortInfo &port) { return naturalKey(port.device); });
    return ports;
}

} // namespace dcf
