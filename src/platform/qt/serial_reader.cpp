#include "platform/qt/serial_reader.h"

#include "platform/qt/qt_open_failure.h"
#include "platform/qt/qt_time_base.h"

#include <QTimer>
#include <algorithm>
#include <cerrno>

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace dcf {

namespace {

/// What the port itself buffers at most; a second of a full 38400-baud line fits. Together with
/// the bounded queue it makes a flood of noise wait in the driver instead of filling the memory.
constexpr qint64 kReadBufferBytes = 4096;
/// The line of a receiver that sends characters.
constexpr qint32 kBaudRate = 38400;

/// Errors that say nothing about the device itself.
bool isHarmless(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::NoError || error == QSerialPort::TimeoutError
        || error == QSerialPort::UnsupportedOperationError || error == QSerialPort::NotOpenError;
}

} // namespace

SerialReader::SerialReader(ArrivalQueue &arrivals, std::function<void()> wakeWindowThread)
    : m_arrivals(arrivals)
    , m_wakeWindowThread(std::move(wakeWindowThread))
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialReader::readArrivals);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialReader::handleError);
}

SerialReader::~SerialReader()
{
    close();
}

std::optional<PortProblem> openReceiverLine(QSerialPort &port, const std::string &device)
{
    if (std::optional<PortProblem> problem = problemBeforeOpening(device))
        return problem;
    port.setPortName(QString::fromStdString(device));
    port.setBaudRate(kBaudRate);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    port.setReadBufferSize(kReadBufferBytes);
    if (port.open(QIODevice::ReadOnly))
        return std::nullopt;
    PortProblem problem = classifyOpenFailure(port.error(), errno); // before errno changes
    port.clearError();
    if (problem.cause == PortFault::NoAccess)
        addOwnership(problem, device);
    return problem;
}

std::optional<PortProblem> SerialReader::open(const std::string &device)
{
    m_arrivals.clear();
    if (std::optional<PortProblem> problem = openReceiverLine(m_port, device))
        return problem;
    ++m_generation;
    requestLowLatency();
    // What arrived before the open carries the wrong times (a pseudo-terminal even keeps what was
    // written while nobody had it open).
    m_port.clear(QSerialPort::Input);
    return std::nullopt;
}

void SerialReader::close()
{
    closePort();
    m_arrivals.clear();
}

void SerialReader::closePort()
{
    ++m_generation;
    if (!m_port.isOpen())
        return;
    m_closing = true;
    m_port.close();
    m_closing = false;
}

void SerialReader::readArrivals()
{
    // First of all: this moment is the bytes' arrival.
    const int64_t arrival = monotonicMicroseconds();
    while (m_port.isOpen()) {
        const std::size_t room = m_arrivals.roomOrStall();
        if (room == 0)
            return; // the rest waits in the port and the driver until the window thread has read
        const QByteArray bytes = m_port.read(static_cast<qint64>(room));
        if (bytes.isEmpty())
            return;
        if (m_arrivals.put({bytes.constData(), static_cast<std::size_t>(bytes.size())}, arrival))
            m_wakeWindowThread();
    }
}

void SerialReader::handleError(QSerialPort::SerialPortError error)
{
    // Taken first: a hang-up reads as an empty read and leaves errno at 0.
    const int systemError = errno;
    if (isHarmless(error) || m_closing || !m_port.isOpen())
        return;
    m_port.clearError();
    if (m_arrivals.fail({PortFault::Vanished, systemError}))
        m_wakeWindowThread();
    // A hung-up descriptor stays readable with nothing to read, so the port must close; not
    // from inside QSerialPort's own notification, hence queued.
    const uint64_t generation = m_generation;
    QTimer::singleShot(0, this, [this, generation] {
        // The failure stays in the queue for the window thread.
        if (generation == m_generation)
            closePort();
    });
}

void SerialReader::requestLowLatency()
{
#ifdef __linux__
    // Without it some USB adapters hold characters back for up to 16 ms. Drivers without the
    // setting (pseudo-terminals among them) refuse, and the port works as it is.
    const int descriptor = static_cast<int>(m_port.handle());
    serial_struct serial {};
    if (::ioctl(descriptor, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(descriptor, TIOCSSERIAL, &serial);
    }
    errno = 0; // QSerialPort reads errno when a later read fails without setting it
#endif
}

} // namespace dcf
