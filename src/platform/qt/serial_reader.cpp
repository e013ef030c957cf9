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

QSerialPort::Parity qtParity(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case LineSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case LineSettings::Parity::Mark:
        return QSerialPort::MarkParity;
    case LineSettings::Parity::Space:
        return QSerialPort::SpaceParity;
    case LineSettings::Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits qtStopBits(LineSettings::StopBits stopBits)
{
    switch (stopBits) {
    case LineSettings::StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case LineSettings::StopBits::Two:
        return QSerialPort::TwoStop;
    case LineSettings::StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

/// What went wrong with a device that was open, in the user's words; the system's text follows.
std::string failureText(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return "Das Gerät ist nicht mehr vorhanden";
    case QSerialPort::PermissionError:
        return "Kein Zugriff mehr auf das Gerät";
    case QSerialPort::ResourceError:
        return "Das Gerät ist nicht mehr verfügbar";
    case QSerialPort::ReadError:
        return "Das Gerät hat die Verbindung beendet";
    default:
        return "Fehler am Gerät";
    }
}

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

std::optional<SerialReader::OpenError> SerialReader::open(const QString &device,
                                                          const LineSettings &settings)
{
    m_arrivals.clear();
    m_port.setPortName(device);
    m_port.setBaudRate(settings.baudRate);
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    m_port.setParity(qtParity(settings.parity));
    m_port.setStopBits(qtStopBits(settings.stopBits));
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(kReadBufferBytes);
    if (!m_port.open(QIODevice::ReadOnly)) {
        const int systemError = errno; // before anything else can change it
        OpenError error {classifyOpenFailure(m_port.error(), systemError),
                         m_port.errorString().toStdString()};
        m_port.clearError();
        return error;
    }
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
    if (isHarmless(error) || m_closing || !m_port.isOpen())
        return;
    // A hang-up reads as an empty read, for which the system has no text of its own.
    std::string text = failureText(error);
    if (error != QSerialPort::ReadError)
        text += " (" + m_port.errorString().toStdString() + ")";
    m_port.clearError();
    if (m_arrivals.fail(text))
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
