#include "platform/qt/qt_serial_port.h"

#include "platform/line_settings.h"
#include "platform/qt/qt_open_failure.h"
#include "platform/qt/qt_port_catalogue.h"

#include <QTimer>
#include <algorithm>
#include <cerrno>

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace dcf {

namespace {

/// What the port holds for the reception at most. The reception takes one character per step,
/// so a line that sends faster than that (a flood of noise) must wait in the driver instead of
/// filling the memory; a second of a full 38400-baud line fits.
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

QtSerialPort::QtSerialPort()
{
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError error) { handleError(error); });
}

QtSerialPort::~QtSerialPort() = default;

bool QtSerialPort::isOpen() const
{
    return m_port.isOpen();
}

void QtSerialPort::setPort(const std::string &device)
{
    m_device = device;
}

void QtSerialPort::setSettings(const std::string &settings)
{
    m_settings = settings;
}

void QtSerialPort::setReadLength(int characters)
{
    m_readLength = std::max(1, characters);
}

bool QtSerialPort::open()
{
    m_failed = false;
    m_error.clear();
    m_openFailure = PortOpenFailure::Other;
    const std::optional<LineSettings> settings = parseLineSettings(m_settings);
    if (!settings) {
        m_error = "Die Leitungseinstellungen „" + m_settings + "“ sind ungültig.";
        return false;
    }
    m_port.setPortName(QString::fromStdString(m_device));
    m_port.setBaudRate(settings->baudRate);
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings->dataBits));
    m_port.setParity(qtParity(settings->parity));
    m_port.setStopBits(qtStopBits(settings->stopBits));
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setReadBufferSize(kReadBufferBytes);
    if (!m_port.open(QIODevice::ReadOnly)) {
        const int systemError = errno; // before anything else can change it
        m_openFailure = classifyOpenFailure(m_port.error(), systemError);
        m_error = m_port.errorString().toStdString();
        m_port.clearError();
        return false;
    }
    ++m_generation;
    requestLowLatency();
    // What arrived before the open carries the wrong times (a pseudo-terminal even keeps what was
    // written while nobody had it open).
    m_port.clear(QSerialPort::Input);
    return true;
}

void QtSerialPort::close()
{
    ++m_generation;
    if (!m_port.isOpen())
        return;
    m_closing = true;
    m_port.close();
    m_closing = false;
}

std::string QtSerialPort::read()
{
    if (m_failed || !m_port.isOpen())
        return {};
    const QByteArray data = m_port.read(m_readLength);
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

bool QtSerialPort::hasFailed() const
{
    return m_failed;
}

std::string QtSerialPort::errorText() const
{
    return m_error;
}

std::vector<SerialPortInfo> QtSerialPort::availablePorts() const
{
    return listSerialPorts();
}

void QtSerialPort::handleError(QSerialPort::SerialPortError error)
{
    if (isHarmless(error) || m_closing || !m_port.isOpen())
        return;
    if (!m_failed) {
        m_failed = true;
        // A hang-up reads as an empty read, for which the system has no text of its own.
        m_error = failureText(error);
        if (error != QSerialPort::ReadError)
            m_error += " (" + m_port.errorString().toStdString() + ")";
    }
    m_port.clearError();
    // A hung-up descriptor stays readable with nothing to read, so the port must close; not
    // from inside QSerialPort's own notification, hence queued.
    const uint64_t generation = m_generation;
    QTimer::singleShot(0, &m_port, [this, generation] {
        if (generation == m_generation)
            close();
    });
}

void QtSerialPort::requestLowLatency()
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
