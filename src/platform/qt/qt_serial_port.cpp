#include "platform/qt/qt_serial_port.h"

#include "platform/qt/qt_port_catalogue.h"

namespace dcf {

QtSerialPort::QtSerialPort(const ReceiverChoice &receiver, RealtimeKitRequest realtimeKit)
    : m_receiver(receiver)
    , m_service({.wake =
                     [this] {
                         QMetaObject::invokeMethod(
                             &m_windowThread, [] {}, Qt::QueuedConnection);
                     },
                 .realtimeKit = std::move(realtimeKit),
                 .queuedCharacters = 4096})
{ }

bool QtSerialPort::isOpen() const
{
    return m_service.isOpen();
}

void QtSerialPort::setPort(const std::string &device)
{
    m_device = device;
}

std::optional<PortProblem> QtSerialPort::open()
{
    return m_service.open(m_device, m_receiver);
}

void QtSerialPort::close()
{
    m_service.close();
}

std::optional<PortProblem> QtSerialPort::check(const std::string &device)
{
    return m_service.check(device, m_receiver);
}

SerialInput QtSerialPort::read()
{
    const std::optional<Arrival> arrival = m_service.read();
    if (!arrival)
        return {};
    return {std::string(1, arrival->character), arrival->stampMicroseconds};
}

std::optional<PortProblem> QtSerialPort::failure() const
{
    return m_service.failure();
}

std::vector<SerialPortInfo> QtSerialPort::availablePorts() const
{
    return listSerialPorts();
}

} // namespace dcf
