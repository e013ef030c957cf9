#pragma once

#include "platform/serial_port.h"

#include <QSerialPort>

namespace dcf {

/// The serial line through QSerialPort. Input arrives through Qt's event processing, so a wait in
/// QtEventLoop wakes as soon as the receiver sends a character.
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

private:
    QSerialPort m_port;
    int m_readLength = 1;
};

} // namespace dcf
