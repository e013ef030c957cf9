#include "timeservice/chrony_feed.h"

#include "timeservice/status_line.h"

#include <chrono>

namespace dcf::timeservice {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(500);

} // namespace

ChronyFeed::ChronyFeed(const std::string &socketPath, LineSink lines)
    : m_lines(std::move(lines))
    , m_socket(socketPath, [this](const std::string &message) { queue(message); })
    , m_service(m_clocks, m_socket,
                [this](const MinuteReport &report) { queue(statusLine(report)); })
    , m_thread([this] { run(); })
{ }

ChronyFeed::~ChronyFeed()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void ChronyFeed::edge(const Edge &edge)
{
    bool wake = false;
    {
        const std::lock_guard lock(m_mutex);
        m_service.edge(edge);
        wake = !m_pending.empty();
    }
    if (wake)
        m_wake.notify_one();
}

void ChronyFeed::queue(std::string line)
{
    m_pending.push_back(std::move(line));
}

void ChronyFeed::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_wake.wait_for(lock, kPollInterval);
        m_service.poll(monotonicMicrosecondsNow());
        std::vector<std::string> lines;
        lines.swap(m_pending);
        lock.unlock();
        for (const std::string &line : lines)
            m_lines(line);
        lock.lock();
    }
    for (const std::string &line : m_pending)
        m_lines(line);
}

} // namespace dcf::timeservice
