#include "platform/serial/serial_service.h"

#include "platform/serial/arrival_queue.h"
#include "platform/serial/line_sampling.h"
#include "platform/serial/port.h"
#include "platform/serial/signal_translation.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace dcf {

namespace {

/// How long a flood waits in the driver after each full buffer: 4096 bytes, which a 38400-baud
/// line brings in a second, at most every 2 ms.
constexpr int64_t kFloodPauseUs = 2000;

} // namespace

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
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_readerThreadId.has_value(); });
        // RealtimeKit is asked from here: the program on Qt asks it through D-Bus on its own
        // thread, for the reader's.
        if (m_scheduling == ReaderScheduling::Normal && m_setup.realtimeKit
            && m_setup.realtimeKit(*m_readerThreadId, serial::kReaderPriority))
            m_scheduling = ReaderScheduling::RealTimeKit;
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
        const int64_t openedAt = serial::stampNow();
        auto translation
            = std::make_unique<SignalTranslation>(choice, opened.port->hasModemLines(), openedAt);
        // The lines' state at the open, so that a change before the reader's first wait counts.
        std::optional<serial::LineSample> baseline;
        if (opened.port->hasModemLines()) {
            const int64_t stamp = serial::stampNow();
            baseline = opened.port->sampleLines();
            if (!baseline)
                return opened.port->failure();
            baseline->stampMicroseconds = stamp;
            std::vector<Delivery> none;
            translation->lines(*baseline, none);
        }
        {
            const std::scoped_lock lock(m_mutex);
            m_queue.clear();
            m_stopRequested = false;
            m_port = std::move(opened.port);
            m_identity = m_port->identity();
            m_translation = std::move(translation);
            m_kind = m_translation->kind();
            m_lastSample = baseline;
            m_openedAt = openedAt;
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
            m_translation.reset();
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
        // Only the reader: it waits nearly all the time, and when it wakes its stamp must not
        // wait for a processor behind the window thread and the display server.
        const bool realTime = serial::makeThisThreadRealtime();
        std::unique_lock lock(m_mutex);
        m_scheduling = realTime ? ReaderScheduling::RealTime : ReaderScheduling::Normal;
        m_readerThreadId = serial::thisThreadId();
        m_changed.notify_all();
        for (;;) {
            m_changed.wait(lock, [this] { return m_quit || m_pending; });
            if (m_quit)
                return;
            m_pending = false;
            m_reading = true;
            Port &port = *m_port;
            SignalTranslation &translation = *m_translation;
            lock.unlock();

            port.adoptReaderThread();
            readPort(port, translation);

            lock.lock();
            // Closed at once, also after a failure: a later open must find the device free.
            m_port.reset();
            m_translation.reset();
            m_identity.clear();
            m_reading = false;
            m_changed.notify_all();
        }
    }

    void readPort(Port &port, SignalTranslation &translation)
    {
        m_publishedKind = translation.kind();
        m_lastMarkBegins.reset();
        m_riActive = m_lastSample && (m_lastSample->active & serial::kRi) != 0;
        std::vector<Delivery> deliveries;
        bool switchedSpeed = false;
        bool waitsForLines = true;
        int64_t nextSample = serial::stampNow();
        while (!m_stopRequested) {
            bool working = true;
            switch (translation.watch()) {
            case SignalTranslation::Watch::SlowCharacters:
                if (!std::exchange(switchedSpeed, true)) {
                    translation.switchedToSlowCharacters(port.switchToSlowCharacters());
                    if (translation.unreadable()) {
                        fail({PortFault::Other, EINVAL, {}, {}});
                        return;
                    }
                }
                working = takeCharacters(port, translation, translation.nextDue(), deliveries);
                break;
            case SignalTranslation::Watch::Characters:
                working = takeCharacters(port, translation, std::nullopt, deliveries);
                break;
            case SignalTranslation::Watch::CharactersAndLines:
                working = takeCharacters(port, translation, nextSample, deliveries)
                    && sampleWhenDue(port, translation, nextSample, deliveries, false);
                break;
            case SignalTranslation::Watch::Line:
                // RI's leading edge wakes no wait (the driver counts only its trailing one), so
                // while it is inactive the line is sampled.
                if (waitsForLines && !(translation.line() == serial::kRi && !m_riActive)) {
                    working = waitForLine(port, translation, waitsForLines, deliveries);
                } else if (port.waitForCharacters(false, nextSample) == Port::Outcome::Failed) {
                    fail(port.failure());
                    working = false;
                } else {
                    working
                        = sampleWhenDue(port, translation, nextSample, deliveries, waitsForLines);
                }
                break;
            }
            if (!working)
                return;
            deliver(deliveries);
            publishKind(translation.kind());
        }
    }

    /// Waits for characters (or until `deadline`) and translates them. False when the port failed.
    bool takeCharacters(Port &port, SignalTranslation &translation, std::optional<int64_t> deadline,
                        std::vector<Delivery> &deliveries)
    {
        // Without a listener a full queue stops the reading, and a flood waits in the driver.
        const std::size_t room
            = m_hasListener ? m_buffer.size() : std::min(m_buffer.size(), m_queue.roomOrStall());
        // After a full buffer the rest waits a moment in the driver: no serial line brings that
        // much so quickly, and a reader in real time must not take a processor from the rest of
        // the machine for a flood (a pseudo-terminal's, say).
        const int64_t now = serial::stampNow();
        const bool pausing = now < m_floodPauseUntil;
        const std::optional<int64_t> until = pausing
            ? std::optional(deadline ? std::min(*deadline, m_floodPauseUntil) : m_floodPauseUntil)
            : deadline;
        const Port::Outcome outcome = port.waitForCharacters(room > 0 && !pausing, until);
        // First of all: this moment is the characters' arrival.
        const int64_t stamp = serial::stampNow();
        if (outcome == Port::Outcome::Failed) {
            fail(port.failure());
            return false;
        }
        if (outcome == Port::Outcome::Ready) {
            const std::optional<std::size_t> count
                = port.readCharacters(std::span(m_buffer).first(room));
            if (!count) {
                fail(port.failure());
                return false;
            }
            translation.characters({m_buffer.data(), *count}, stamp, deliveries);
            if (*count == m_buffer.size())
                m_floodPauseUntil = stamp + kFloodPauseUs;
        }
        translation.due(stamp, deliveries);
        return true;
    }

    /// Blocks until the line changes, then samples it. False when the port failed.
    bool waitForLine(Port &port, SignalTranslation &translation, bool &waitsForLines,
                     std::vector<Delivery> &deliveries)
    {
        // The wait sees only changes after it began: one since the last sample is taken now.
        const std::optional<serial::LineSample> before = m_lastSample;
        if (!sampleLines(port, translation, deliveries))
            return false;
        if (!before || !sameLines(*before, *m_lastSample))
            return true;
        switch (port.waitForLineChange(translation.line())) {
        case Port::Outcome::Ready:
            return sampleLines(port, translation, deliveries);
        case Port::Outcome::Unsupported:
            // Other systems and some drivers: the lines are sampled instead (lineSamplePeriod()).
            waitsForLines = false;
            return true;
        case Port::Outcome::Failed:
            fail(port.failure());
            return false;
        default:
            return true;
        }
    }

    /// Samples the lines when it is time (see lineSamplePeriod()). False when the port failed.
    bool sampleWhenDue(Port &port, SignalTranslation &translation, int64_t &nextSample,
                       std::vector<Delivery> &deliveries, bool onlyStartsSampled)
    {
        if (serial::stampNow() < nextSample)
            return true;
        if (!sampleLines(port, translation, deliveries))
            return false;
        const int64_t sampled = m_lastSample->stampMicroseconds;
        nextSample = sampled
            + serial::lineSamplePeriod(sampled, m_lastMarkBegins, m_openedAt, onlyStartsSampled);
        return true;
    }

    bool sampleLines(Port &port, SignalTranslation &translation, std::vector<Delivery> &deliveries)
    {
        // Stamped right after the wake-up, before the calls that read the lines.
        const int64_t stamp = serial::stampNow();
        std::optional<serial::LineSample> sample = port.sampleLines();
        if (!sample) {
            fail(port.failure());
            return false;
        }
        sample->stampMicroseconds = stamp;
        m_riActive = (sample->active & serial::kRi) != 0;
        translation.lines(*sample, deliveries);
        m_lastSample = sample;
        return true;
    }

    static bool sameLines(const serial::LineSample &a, const serial::LineSample &b)
    {
        return a.active == b.active && a.counts == b.counts;
    }

    void publishKind(std::optional<ReceiverKind> kind)
    {
        if (kind == m_publishedKind)
            return;
        m_publishedKind = kind;
        const std::scoped_lock lock(m_mutex);
        m_kind = kind;
    }

    void deliver(std::vector<Delivery> &deliveries)
    {
        if (deliveries.empty())
            return;
        for (const Delivery &delivery : deliveries) {
            if (delivery.isEdge && delivery.arrival.character == '1')
                m_lastMarkBegins = delivery.arrival.stampMicroseconds;
        }
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
    std::unique_ptr<SignalTranslation> m_translation;
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
    std::optional<int64_t> m_readerThreadId;
    // The reader's own.
    std::vector<Arrival> m_arrivals;
    std::array<char, 4096> m_buffer {};
    std::optional<ReceiverKind> m_publishedKind;
    bool m_riActive = false;
    /// When the port was opened, and the last mark handed on began: when lines are sampled.
    int64_t m_openedAt = 0;
    std::optional<int64_t> m_lastMarkBegins;
    int64_t m_floodPauseUntil = 0;
    /// The lines as last seen; the first comes from the open.
    std::optional<serial::LineSample> m_lastSample;
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
