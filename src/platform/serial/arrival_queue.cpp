#include "platform/serial/arrival_queue.h"

namespace dcf::serial {

std::size_t ArrivalQueue::roomOrStall()
{
    const std::scoped_lock lock(m_mutex);
    const std::size_t room = m_capacity - m_arrivals.size();
    if (room == 0)
        m_readerStalled = true;
    return room;
}

bool ArrivalQueue::put(std::span<const Arrival> arrivals)
{
    const std::scoped_lock lock(m_mutex);
    const bool wasEmpty = m_arrivals.empty();
    for (const Arrival &arrival :
         arrivals.first(std::min(arrivals.size(), m_capacity - m_arrivals.size())))
        m_arrivals.push_back(arrival);
    return wasEmpty && !m_arrivals.empty();
}

bool ArrivalQueue::fail(const PortProblem &problem)
{
    const std::scoped_lock lock(m_mutex);
    m_arrivals.clear();
    if (m_failure)
        return false;
    m_failure = problem;
    return true;
}

void ArrivalQueue::clear()
{
    const std::scoped_lock lock(m_mutex);
    m_arrivals.clear();
    m_readerStalled = false;
    m_failure.reset();
}

ArrivalQueue::Taken ArrivalQueue::take()
{
    const std::scoped_lock lock(m_mutex);
    Taken taken;
    if (m_failure || m_arrivals.empty())
        return taken;
    taken.arrival = m_arrivals.front();
    m_arrivals.pop_front();
    // Resuming at half full lets the reader take a flood in large batches, not byte by byte.
    if (m_readerStalled && m_arrivals.size() <= m_capacity / 2) {
        m_readerStalled = false;
        taken.resumeReader = true;
    }
    return taken;
}

std::optional<PortProblem> ArrivalQueue::failure() const
{
    const std::scoped_lock lock(m_mutex);
    return m_failure;
}

} // namespace dcf::serial
