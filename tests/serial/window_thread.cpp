#include "window_thread.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dcf::testing {

WindowThread::WindowThread(std::size_t queued)
    : service({.wake =
                   [this] {
                       const std::scoped_lock lock(m_mutex);
                       ++m_wakeUps;
                       m_changed.notify_all();
                   },
               .realtimeKit = {},
               .queuedCharacters = queued})
{ }

std::optional<Arrival> WindowThread::next(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_mutex);
    for (;;) {
        lock.unlock();
        std::optional<Arrival> arrival = service.read();
        lock.lock();
        if (arrival || service.failure())
            return arrival;
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout)
            return service.read();
    }
}

bool WindowThread::wokenAtLeast(int count, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_wakeUps >= count; });
}

std::string answerAsNobody(const std::function<std::string()> &work)
{
    constexpr gid_t kNobody = 65534;
    int results[2];
    if (::pipe(results) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(results[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            _exit(2);
        const std::string answer = work();
        [[maybe_unused]] const ssize_t written = ::write(results[1], answer.data(), answer.size());
        _exit(0);
    }
    ::close(results[1]);
    std::string answer;
    char chunk[256];
    for (ssize_t length; (length = ::read(results[0], chunk, sizeof chunk)) > 0;)
        answer.append(chunk, static_cast<std::size_t>(length));
    ::close(results[0]);
    ::waitpid(child, nullptr, 0);
    return answer;
}

} // namespace dcf::testing
