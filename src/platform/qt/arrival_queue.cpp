#include "platform/qt/arrival_queue.h"

namespace dcf {

std::size_t ArrivalQueue::roomOrStall()
{
    const std::scoped_lock lock(m_mutex);
    const std::size_t room = m_capacity - m_bytes.size();
    if (room == 0)
        m_readerStalled = true;
    return room;
}

bool ArrivalQueue::put(std::string_view bytes, int64_t arrivalMicroseconds)
{
    const std::scoped_lock lock(m_mutex);
    const bool wasEmpty = m_bytes.empty();
    for (const char byte : bytes.substr(0, m_capacity - m_bytes.size()))
        m_bytes.emplace_back(byte, arrivalMicroseconds);
    return wasEmpty && !m_bytes.empty();
}

bool ArrivalQueue::fail(const PortProblem &problem)
{
    const std::scoped_lock lock(m_mutex);
    m_bytes.clear();
    if (m_failure)
        return false;
    m_failure = problem;
    return true;
}

void ArrivalQueue::clear()
{
    const std::scoped_lock lock(m_mutex);
    m_bytes.clear();
    m_readerStalled = false;
    m_failure.reset();
}

ArrivalQueue::Taken ArrivalQueue::take(std::size_t count)
{
    const std::scoped_lock lock(m_mutex);
    Taken taken;
    if (m_failure || m_bytes.empty())
        return taken;
    taken.input.arrivalMicroseconds = m_bytes.front().second;
    while (!m_bytes.empty() && taken.input.characters.size() < count) {
        taken.input.characters.push_back(m_bytes.front().first);
        m_bytes.pop_front();
    }
    // Resuming at half full lets the reader take a flood in large batches, not byte by byte.
    if (m_readerStalled && m_bytes.size() <= m_capacity / 2) {
        m_readerStalled = false;
        taken.resumeReader = true;
    }
    return taken;
}

bool ArrivalQueue::hasFailed() const
{
    const std::scoped_lock lock(m_mutex);
    return m_failure.has_value();
}

std::optional<PortProblem> ArrivalQueue::failure() const
{
    const std::scoped_lock lock(m_mutex);
    return m_failure;
}

} // namespace dcf
