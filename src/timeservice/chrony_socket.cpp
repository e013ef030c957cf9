#include "timeservice/chrony_socket.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace dcf::timeservice {

namespace {

constexpr int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr int64_t kNanosecondsPerMicrosecond = 1000;
constexpr int kLeapInsert = 1;

std::optional<sockaddr_un> addressOf(const std::string &path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return std::nullopt;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

} // namespace

ChronySample chronySample(const Sample &sample)
{
    // tv holds microseconds; the offset takes what lies below them, so nothing is rounded away.
    const int64_t micros = sample.systemNanoseconds / kNanosecondsPerMicrosecond;
    ChronySample datagram;
    datagram.tv.tv_sec = static_cast<time_t>(micros / 1'000'000);
    datagram.tv.tv_usec = static_cast<suseconds_t>(micros % 1'000'000);
    const int64_t offset
        = sample.trueUtcSeconds * kNanosecondsPerSecond - micros * kNanosecondsPerMicrosecond;
    datagram.offset = static_cast<double>(offset) / kNanosecondsPerSecond;
    datagram.leap = sample.leapSecondAhead ? kLeapInsert : 0;
    datagram.magic = kChronySampleMagic;
    return datagram;
}

ChronySocket::ChronySocket(std::string path, MessageSink messages)
    : m_path(std::move(path))
    , m_messages(std::move(messages))
    , m_socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0))
{ }

ChronySocket::~ChronySocket()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

std::optional<std::string> ChronySocket::pathProblem(const std::string &path)
{
    if (path.empty())
        return "the path of chrony's socket is empty";
    if (!addressOf(path))
        return "the path of chrony's socket is longer than a socket address can hold ("
            + std::to_string(sizeof(sockaddr_un::sun_path) - 1) + " bytes): " + path;
    return std::nullopt;
}

bool ChronySocket::send(const Sample &sample)
{
    if (m_retryAt && sample.monotonicMicroseconds < *m_retryAt)
        return false;
    const std::optional<sockaddr_un> address = addressOf(m_path);
    if (m_socket < 0 || !address) {
        lost(m_socket < 0 ? errno : ENAMETOOLONG, sample.monotonicMicroseconds);
        return false;
    }
    const ChronySample datagram = chronySample(sample);
    // Never blocks: a chronyd that does not read loses samples, not the reader's time.
    const ssize_t sent = ::sendto(m_socket, &datagram, sizeof datagram, MSG_DONTWAIT | MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr *>(&*address), sizeof *address);
    if (sent != static_cast<ssize_t>(sizeof datagram)) {
        lost(sent < 0 ? errno : EMSGSIZE, sample.monotonicMicroseconds);
        return false;
    }
    m_retryAt.reset();
    m_outageReported = false;
    if (!m_delivering && m_messages)
        m_messages("Sending samples to chrony through " + m_path);
    m_delivering = true;
    return true;
}

void ChronySocket::lost(int error, int64_t stampMicroseconds)
{
    m_retryAt = stampMicroseconds + kRetryMicroseconds;
    const bool first = m_delivering || !m_outageReported;
    m_delivering = false;
    m_outageReported = true;
    if (!first || !m_messages)
        return;
    std::string why;
    switch (error) {
    case ENOENT:
        why = "does not exist: is chronyd running with \"refclock SOCK " + m_path + "\"?";
        break;
    case ECONNREFUSED:
        why = "is not being read: has chronyd stopped?";
        break;
    case EACCES:
    case EPERM:
        why = "may not be written by this user: chronyd creates it for its own user (root)";
        break;
    case EAGAIN:
    case ENOBUFS:
        why = "is full: chronyd does not read the samples";
        break;
    default:
        why = "cannot be written: " + std::string(std::strerror(error));
        break;
    }
    m_messages("chrony's socket " + m_path + " " + why + " Trying again every "
               + std::to_string(kRetryMicroseconds / 1'000'000) + " s.");
}

} // namespace dcf::timeservice
