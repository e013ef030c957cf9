#include "platform/qt/qt_serial_port.h"

#include "platform/line_settings.h"
#include "platform/qt/qt_port_catalogue.h"
#include "platform/qt/serial_reader.h"

#include <algorithm>

namespace dcf {

QtSerialPort::QtSerialPort()
{
    m_reader = new SerialReader(m_arrivals, [this] {
        QMetaObject::invokeMethod(
            &m_windowThread, [] {}, Qt::QueuedConnection);
    });
    m_reader->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_reader, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("serial reader"));
    // It only waits, so the priority costs nothing; it makes the stamp prompt on a busy machine
    // where the system grants it.
    m_thread.start(QThread::TimeCriticalPriority);
}

QtSerialPort::~QtSerialPort()
{
    // The reader waits in its event loop only, so it ends at once, closing the port.
    m_thread.quit();
    m_thread.wait();
}

void QtSerialPort::onReaderThread(const std::function<void()> &work)
{
    QMetaObject::invokeMethod(m_reader, work, Qt::BlockingQueuedConnection);
}

bool QtSerialPort::isOpen() const
{
    return m_open && !m_arrivals.hasFailed();
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
    m_openError.clear();
    m_openFailure = PortOpenFailure::Other;
    const std::optional<LineSettings> settings = parseLineSettings(m_settings);
    if (!settings) {
        m_openError = "Die Leitungseinstellungen „" + m_settings + "“ sind ungültig.";
        return false;
    }
    const QString device = QString::fromStdString(m_device);
    std::optional<SerialReader::OpenError> error;
    onReaderThread([&] { error = m_reader->open(device, *settings); });
    if (error) {
        m_openFailure = error->cause;
        m_openError = error->text;
    }
    m_open = !error;
    return m_open;
}

void QtSerialPort::close()
{
    m_open = false;
    onReaderThread([this] { m_reader->close(); });
}

SerialInput QtSerialPort::read()
{
    if (!m_open)
        return {};
    ArrivalQueue::Taken taken = m_arrivals.take(static_cast<std::size_t>(m_readLength));
    if (taken.resumeReader) {
        QMetaObject::invokeMethod(
            m_reader, [reader = m_reader] { reader->readArrivals(); }, Qt::QueuedConnection);
    }
    return std::move(taken.input);
}

bool QtSerialPort::hasFailed() const
{
    return m_arrivals.hasFailed();
}

std::string QtSerialPort::errorText() const
{
    return hasFailed() ? m_arrivals.failure() : m_openError;
}

std::vector<SerialPortInfo> QtSerialPort::availablePorts() const
{
    return listSerialPorts();
}

} // namespace dcf
