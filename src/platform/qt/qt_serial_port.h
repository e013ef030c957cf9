#pragma once

#include "platform/serial_port.h"

#include <QSerialPort>
#include <cstdint>
#include <string>

namespace dcf {

/// The serial line through QSerialPort. Input arrives through Qt's event processing, so a wait in
/// QtEventLoop wakes as soon as the receiver sends a character. A device that fails while open
/// (unplugged, hung up) is marked failed and closed, so a dead descriptor never keeps the event
/// loop busy.
class QtSerialPort final : public SerialPort
{
public:
    QtSerialPort();
    ~QtSerialPort() override;

    bool isOpen() const override;
    void setPort(const std::string &device) override;
    void setSettings(const std::string &settings) override;
    void setReadLength(int characters) override;
    bool open() override;
    void close() override;
    std::string read() override;
    bool hasFailed() const override;
    std::string errorText() const override;
    PortOpenFailure openFailure() const override { return m_openFailure; }
    std::vector<SerialPortInfo> availablePorts() const override;

private:
    void handleError(QSerialPort::SerialPortError error);
    void requestLowLatency();

    QSerialPort m_port;
    std::string m_device;
    std::string m_settings;
    int m_readLength = 1;
    bool m_failed = false;
    bool m_closing = false;
    std::string m_error;
    PortOpenFailure m_openFailure = PortOpenFailure::Other;
    /// Counts opens and closes, so that a close queued for a failed port cannot close a port
    /// opened since.
    uint64_t m_generation = 0;
};

} // namespace dcf
