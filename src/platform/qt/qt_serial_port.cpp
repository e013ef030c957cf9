#include "platform/qt/qt_serial_port.h"

#include "platform/qt/qt_open_failure.h"
#include "platform/qt/qt_port_catalogue.h"
#include "platform/qt/serial_reader.h"

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

std::optional<PortProblem> QtSerialPort::open()
{
    std::optional<PortProblem> problem;
    onReaderThread([&] { problem = m_reader->open(m_device); });
    m_open = !problem;
    return problem;
}

std::optional<PortProblem> QtSerialPort::check(const std::string &device)
{
    if (isOpen() && sameDevice(device, m_device))
        return std::nullopt;
    // A port of its own, opened and closed again here: the reader's stays as it is.
    QSerialPort trial;
    std::optional<PortProblem> problem = openReceiverLine(trial, device);
    trial.close();
    return problem;
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
    ArrivalQueue::Taken taken = m_arrivals.take(1);
    if (taken.resumeReader) {
        QMetaObject::invokeMethod(
            m_reader, [reader = m_reader] { reader->readArrivals(); }, Qt::QueuedConnection);
    }
    return std::move(taken.input);
}

std::optional<PortProblem> QtSerialPort::failure() const
{
    return m_arrivals.failure();
}

std::vector<SerialPortInfo> QtSerialPort::availablePorts() const
{
    return listSerialPorts();
}

} // namespace dcf
