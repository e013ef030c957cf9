#pragma once

// The program's serial port on the serial service (platform/serial), which reads the receiver on
// a thread of its own and stamps every edge when it arrives. What needs Qt is here: waking the
// window thread's wait in QtEventLoop when an edge or a failure arrives, and the port catalogue.

#include "platform/receiver.h"
#include "platform/serial/serial_service.h"
#include "platform/serial_port.h"

#include <QObject>
#include <string>

namespace dcf {

class QtSerialPort final : public SerialPort
{
public:
    /// Reads the receiver `receiver` (recognised where no kind is chosen).
    explicit QtSerialPort(const ReceiverChoice &receiver = {}, RealtimeKitRequest realtimeKit = {});

    bool isOpen() const override;
    void setPort(const std::string &device) override;
    std::optional<PortProblem> open() override;
    void close() override;
    std::optional<PortProblem> check(const std::string &device) override;
    SerialInput read() override;
    std::optional<PortProblem> failure() const override;
    std::vector<SerialPortInfo> availablePorts() const override;

    /// The service itself: an edge listener attaches here, and it says how its reader runs.
    SerialService &service() { return m_service; }

private:
    const ReceiverChoice m_receiver;
    std::string m_device;
    /// Lives on the window thread: what the reader posts to it wakes the window thread's wait.
    QObject m_windowThread;
    SerialService m_service;
};

} // namespace dcf
