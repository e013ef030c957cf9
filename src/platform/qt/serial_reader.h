#pragma once

// The serial port's reader: it lives on a thread of its own that does nothing but wait for bytes,
// so each byte is stamped when it arrives, whatever the window thread is doing. QtSerialPort
// drives it from the window thread; the bytes and a failure of the device reach the window
// thread through the ArrivalQueue.

#include "platform/qt/arrival_queue.h"

#include <QObject>
#include <QSerialPort>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace dcf {

/// Opens `port` on `device` with the receiver's line settings (38400 baud, 8N1), read only;
/// nothing when it opened, else why not.
std::optional<PortProblem> openReceiverLine(QSerialPort &port, const std::string &device);

class SerialReader final : public QObject
{
public:
    /// `wakeWindowThread` is called from the reader thread when the window thread has something
    /// new to read.
    SerialReader(ArrivalQueue &arrivals, std::function<void()> wakeWindowThread);
    ~SerialReader() override;

    // On the reader thread only.

    /// Opens `device` (openReceiverLine()), dropping whatever arrived before.
    std::optional<PortProblem> open(const std::string &device);
    void close();
    /// Moves what has arrived into the queue, as far as there is room.
    void readArrivals();

private:
    void closePort();
    void handleError(QSerialPort::SerialPortError error);
    void requestLowLatency();

    ArrivalQueue &m_arrivals;
    std::function<void()> m_wakeWindowThread;
    /// A child, so that it moves to the reader thread with this object.
    QSerialPort m_port {this};
    bool m_closing = false;
    /// Counts opens and closes, so that a close queued for a failed port cannot close a port
    /// opened since.
    uint64_t m_generation = 0;
};

} // namespace dcf
