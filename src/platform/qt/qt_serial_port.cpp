#include "platform/qt/qt_serial_port.h"

namespace dcf {

// Placeholder until the serial backend is built.
QtSerialPort::QtSerialPort() = default;
QtSerialPort::~QtSerialPort() = default;
bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}
void QtSerialPort::setPort(const std::string &) { }
void QtSerialPort::setSettings(const std::string &) { }
void QtSerialPort::setReadLength(int characters)
{
    m_readLength = characters;
}
bool QtSerialPort::open()
{
    return false;
}
void QtSerialPort::close() { }
std::string QtSerialPort::read()
{
    return {};
}
bool QtSerialPort::hasFailed() const
{
    return false;
}
std::string QtSerialPort::errorText() const
{
    return {};
}

} // namespace dcf
