#include "platform/serial/serial_service.h"

#include "platform/serial/arrival_queue.h"
#include "platform/serial/port.h"
#include "platform/serial/signal_translation.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace dcf {

using serial::ArrivalQueue;
using serial::Delivery;
using serial::Port;
using serial::SignalTranslation;

/// The reader thread and what the window thread shares with it. A port opened by the window
/// thread passes to the reader, which closes it when it is told to stop or when it fails.
class SerialService::Reader
{
public:
    explicit Reader(SerialServiceSetup setup)
        : m_setup(std::move(setup))
        , m_queue(m_setup.queuedCharacters)
    {
        m_thread = std::thread([this] { run(); });
    }

    ~Reader()
    {
        close();
        {
            const std::scoped_lock lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    std::optional<PortProblem> open(const std::string &device, const ReceiverChoice &choice)
    {
        close();
        Port::Opened opened = Port::open(device, choice);
        if (!opened.port)
            return opened.problem;
        {
            const std::scoped_lock lock(m_mutex);
            m_queue.clear();
            m_stopRequested = false;
            m_port = std::move(opened.port);
            m_identity = m_port->identity();
            m_choice = choice;
            m_kind = choice.kind;
            m_pending = true;
            m_open = true;
        }
        m_changed.notify_all();
        return std::nullopt;
    }

    std::optional<PortProblem> check(const std::string &device, const ReceiverChoice &choice) const
    {
        std::string identity;
        {
            const std::scoped_lock lock(m_mutex);
            identity = m_identity;
        }
        return Port::check(device, choice, identity);
    }

    void close()
    {
        std::unique_lock lock(m_mutex);
        m_open = false;
        m_stopRequested = true;
        if (m_pending) {
            m_pending = false;
            m_port.reset();
            m_identity.clear();
        }
        // A signal can come just before the reader enters its wait, so it is repeated until the
        // reader has left the port.
        while (m_reading) {
            m_port->interrupt();
            m_changed.wait_for(lock, std::chrono::milliseconds(2));
        }
        m_queue.clear();
        m_kind.reset();
    }

    bool isOpen() const
    {
        const std::scoped_lock lock(m_mutex);
        return m_open && !m_queue.failure();
    }

    std::optional<Arrival> read()
    {
        ArrivalQueue::Taken taken = m_queue.take();
        if (taken.resumeReader) {
            const std::scoped_lock lock(m_mutex);
            if (m_reading)
                m_port->interrupt();
        }
        return taken.arrival;
    }

    std::optional<PortProblem> failure() const { return m_queue.failure(); }

    void setEdgeListener(EdgeListener *listener)
    {
        {
            const std::scoped_lock lock(m_listenerMutex);
            m_listener = listener;
            m_hasListener = listener != nullptr;
        }
        // A reader stalled on a full queue reads on for the listener.
        const std::scoped_lock lock(m_mutex);
        if (m_reading && listener)
            m_port->interrupt();
    }

    std::optional<ReceiverKind> kind() const
    {
        const std::scoped_lock lock(m_mutex);
        return m_kind;
    }

    ReaderScheduling scheduling() const { return m_scheduling; }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_quit || m_pending; });
            if (m_quit)
                return;
            m_pending = false;
            m_reading = true;
            Port &port = *m_port;
            const ReceiverChoice choice = m_choice;
            lock.unlock();

            port.adoptReaderThread();
            readPort(port, choice);

            lock.lock();
            // Closed at once, also after a failure: a later open must find the device free.
            m_port.reset();
            m_identity.clear();
            m_reading = false;
            m_changed.notify_all();
        }
    }

    void readPort(Port &port, const ReceiverChoice &choice)
    {
        SignalTranslation translation(choice, port.hasModemLines());
        std::array<char, 4096> buffer {};
        std::vector<Delivery> deliveries;
        while (!m_stopRequested) {
            // Without a listener a full queue stops the reading, and a flood waits in the driver.
            const std::size_t room
                = m_hasListener ? buffer.size() : std::min(buffer.size(), m_queue.roomOrStall());
            const Port::Outcome outcome = port.waitForCharacters(room > 0, std::nullopt);
            // First of all: this moment is the characters' arrival.
            const int64_t stamp = serial::stampNow();
            if (outcome == Port::Outcome::Failed) {
                fail(port.failure());
                return;
            }
            if (outcome != Port::Outcome::Ready)
                continue;
            const std::optional<std::size_t> count
                = port.readCharacters(std::span(buffer).first(room));
            if (!count) {
                fail(port.failure());
                return;
            }
            translation.characters({buffer.data(), *count}, stamp, deliveries);
            deliver(deliveries);
        }
    }

    void deliver(std::vector<Delivery> &deliveries)
    {
        if (deliveries.empty())
            return;
        if (m_hasListener) {
            const std::scoped_lock lock(m_listenerMutex);
            for (const Delivery &delivery : deliveries) {
                if (delivery.isEdge && m_listener)
                    m_listener->edge(
                        {delivery.arrival.character == '1', delivery.arrival.stampMicroseconds});
            }
        }
        m_arrivals.clear();
        for (const Delivery &delivery : deliveries)
            m_arrivals.push_back(delivery.arrival);
        deliveries.clear();
        if (m_queue.put(m_arrivals) && m_setup.wake)
            m_setup.wake();
    }

    void fail(const PortProblem &problem)
    {
        if (m_queue.fail(problem) && m_setup.wake)
            m_setup.wake();
    }

    const SerialServiceSetup m_setup;
    ArrivalQueue m_queue;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    /// Opened by the window thread; the reader's from `m_pending` until it is done with it.
    std::unique_ptr<Port> m_port;
    std::string m_identity;
    ReceiverChoice m_choice;
    std::optional<ReceiverKind> m_kind;
    bool m_pending = false;
    bool m_reading = false;
    bool m_open = false;
    bool m_quit = false;
    std::atomic<bool> m_stopRequested = false;

    std::mutex m_listenerMutex;
    EdgeListener *m_listener = nullptr;
    std::atomic<bool> m_hasListener = false;

    std::atomic<ReaderScheduling> m_scheduling = ReaderScheduling::Normal;
    /// The reader's, reused for every delivery.
    std::vector<Arrival> m_arrivals;
    std::thread m_thread;
};

SerialService::SerialService(SerialServiceSetup setup)
    : m_reader(std::make_unique<Reader>(std::move(setup)))
{ }

SerialService::~SerialService() = default;

std::optional<PortProblem> SerialService::open(const std::string &device,
                                               const ReceiverChoice &choice)
{
    return m_reader->open(device, choice);
}

std::optional<PortProblem> SerialService::check(const std::string &device,
                                                const ReceiverChoice &choice) const
{
    return m_reader->check(device, choice);
}

void SerialService::close()
{
    m_reader->close();
}

bool SerialService::isOpen() const
{
    return m_reader->isOpen();
}

std::optional<Arrival> SerialService::read()
{
    return m_reader->read();
}

std::optional<PortProblem> SerialService::failure() const
{
    return m_reader->failure();
}

void SerialService::setEdgeListener(EdgeListener *listener)
{
    m_reader->setEdgeListener(listener);
}

std::optional<ReceiverKind> SerialService::kind() const
{
    return m_reader->kind();
}

ReaderScheduling SerialService::scheduling() const
{
    return m_reader->scheduling();
}

} // namespace dcf
