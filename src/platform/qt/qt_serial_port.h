#pragma once

// The serial port on Qt: what the reception reads its characters from, with a reader thread that
// stamps each arrival.

#include "platform/qt/arrival_queue.h"
#include "platform/serial_port.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <string>

namespace dcf {

class SerialReader;

/// The serial line through QSerialPort, read on a thread of its own (SerialReader) that stamps
/// every byte when it arrives, so a busy window thread delays the processing of an edge but not
/// its time. Each arrival wakes a wait in QtEventLoop. A device that fails while open (unplugged,
/// hung up) is marked failed and closed, so a dead descriptor never keeps a thread busy.
/// Characters are read one at a time: each is an edge of its own.
class QtSerialPort final : public SerialPort
{
public:
    QtSerialPort();
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort &) = delete;
    QtSerialPort &operator=(const QtSerialPort &) = delete;

    bool isOpen() const override;
    void setPort(const std::string &device) override;
    std::optional<PortProblem> open() override;
    void close() override;
    std::optional<PortProblem> check(const std::string &device) override;
    SerialInput read() override;
    std::optional<PortProblem> failure() const override;
    std::vector<SerialPortInfo> availablePorts() const override;

private:
    /// Runs `work` on the reader thread and returns when it is done there.
    void onReaderThread(const std::function<void()> &work);

    std::string m_device;
    bool m_open = false;
    /// Bounds what waits for the window thread; a second of a full 38400-baud line fits.
    static constexpr std::size_t kQueuedBytes = 4096;
    ArrivalQueue m_arrivals {kQueuedBytes};
    /// Lives on the window thread: what the reader posts to it wakes the window thread's wait.
    QObject m_windowThread;
    QThread m_thread;
    /// Lives on m_thread; deleted there when the thread finishes.
    SerialReader *m_reader = nullptr;
};

} // namespace dcf
