#pragma once

// Samples to chronyd through the socket of its SOCK reference clock, which chronyd creates and
// binds when it starts. Each sample is sent to the path afresh, so a chronyd that restarts is
// found again without ado; while nobody takes them, one line says so and a new attempt follows
// every few seconds.

#include "timeservice/time_service.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/time.h>

namespace dcf::timeservice {

/// chronyd's sock_sample datagram, in the machine's own layout.
struct ChronySample
{
    timeval tv {}; ///< the system time of the event
    double offset = 0; ///< true time minus tv, in seconds
    int pulse = 0;
    int leap = 0; ///< 0 normal, 1 a second to be inserted at the end of the day
    int padding = 0;
    int magic = 0;
};

inline constexpr int kChronySampleMagic = 0x534f434b;

ChronySample chronySample(const Sample &sample);

class ChronySocket final : public SampleSink
{
public:
    using MessageSink = std::function<void(const std::string &)>;
    static constexpr int64_t kRetryMicroseconds = 5'000'000;

    /// The path must fit a Unix socket address (see pathProblem).
    ChronySocket(std::string path, MessageSink messages);
    ~ChronySocket() override;
    ChronySocket(const ChronySocket &) = delete;
    ChronySocket &operator=(const ChronySocket &) = delete;

    bool send(const Sample &sample) override;

    /// Why a path cannot name chrony's socket, if it cannot.
    static std::optional<std::string> pathProblem(const std::string &path);

private:
    void lost(int error, int64_t stampMicroseconds);

    std::string m_path;
    MessageSink m_messages;
    int m_socket = -1;
    bool m_delivering = false;
    bool m_outageReported = false;
    /// No attempt before this monotonic time, after one failed.
    std::optional<int64_t> m_retryAt;
};

} // namespace dcf::timeservice
