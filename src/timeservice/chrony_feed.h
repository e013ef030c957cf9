#pragma once

// The time service as a program runs it: edges from the serial reader's thread in, samples to
// chronyd's socket at once, and the lines for the user (a status line per minute, news of the
// socket) handed over on a thread of the feed's own, which also notices a silent receiver. The
// reader's thread never waits for the user's output.

#include "platform/edge.h"
#include "timeservice/chrony_socket.h"
#include "timeservice/clock_pair.h"
#include "timeservice/time_service.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dcf::timeservice {

class ChronyFeed final : public EdgeListener
{
public:
    using LineSink = std::function<void(const std::string &)>;

    /// `socketPath` must pass ChronySocket::pathProblem. `lines` is called on the feed's thread.
    ChronyFeed(const std::string &socketPath, LineSink lines);
    ~ChronyFeed() override;
    ChronyFeed(const ChronyFeed &) = delete;
    ChronyFeed &operator=(const ChronyFeed &) = delete;

    /// On the reader's thread.
    void edge(const Edge &edge) override;

private:
    void run();
    /// With m_mutex held.
    void queue(std::string line);

    LineSink m_lines;
    SystemClocks m_clocks;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::string> m_pending;
    bool m_stopping = false;
    ChronySocket m_socket;
    TimeService m_service;
    std::thread m_thread;
};

} // namespace dcf::timeservice
