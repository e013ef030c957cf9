// The datagram as chronyd reads it, through a real socket bound in a temporary folder the way
// chronyd binds its own, and the socket going away and coming back.

#include "timeservice/chrony_socket.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace dcf::timeservice {
namespace {

constexpr int64_t kSecond = 1'000'000;

/// chronyd's end: a datagram socket bound to the path.
class Listener
{
public:
    explicit Listener(const std::string &path)
    {
        sockaddr_un address {.sun_family = AF_UNIX, .sun_path = {}};
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ::unlink(path.c_str());
        EXPECT_EQ(::bind(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    }
    ~Listener() { ::close(m_socket); }

    /// The next datagram waiting, if any.
    std::vector<unsigned char> receive()
    {
        std::vector<unsigned char> bytes(256);
        const ssize_t size = ::recv(m_socket, bytes.data(), bytes.size(), MSG_DONTWAIT);
        bytes.resize(size < 0 ? 0 : static_cast<std::size_t>(size));
        return bytes;
    }

private:
    int m_socket = ::socket(AF_UNIX, SOCK_DGRAM, 0);
};

class ChronySocketTest : public ::testing::Test
{
protected:
    ~ChronySocketTest() override { std::filesystem::remove_all(folder); }

    bool sendAt(int64_t monotonicMicroseconds)
    {
        return socket.send({.systemNanoseconds = 1'796'664'661'234'567'891,
                            .trueUtcSeconds = 1'796'664'660,
                            .leapSecondAhead = true,
                            .monotonicMicroseconds = monotonicMicroseconds});
    }

    std::string pattern = "/tmp/dcf77-chrony-XXXXXX";
    const std::string folder = ::mkdtemp(pattern.data());
    const std::string path = folder + "/refclock.sock";
    std::vector<std::string> messages;
    ChronySocket socket {path, [this](const std::string &line) {
                             messages.push_back(line);
                         }};
};

template<typename T> T at(const std::vector<unsigned char> &bytes, std::size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST_F(ChronySocketTest, DatagramInChronysLayout)
{
    Listener chronyd(path);
    ASSERT_TRUE(sendAt(0));
    const std::vector<unsigned char> bytes = chronyd.receive();
    ASSERT_EQ(bytes.size(), sizeof(ChronySample));
    if constexpr (sizeof(time_t) == 8 && sizeof(long) == 8) { // the 64-bit layout: 40 bytes
        EXPECT_EQ(bytes.size(), 40u);
        EXPECT_EQ(at<int64_t>(bytes, 0), 1'796'664'661);
        EXPECT_EQ(at<int64_t>(bytes, 8), 234'567);
        EXPECT_DOUBLE_EQ(at<double>(bytes, 16), -1.234567); // the clock is ahead
        EXPECT_EQ(at<int32_t>(bytes, 24), 0); // not a pulse: the sample has its whole time
        EXPECT_EQ(at<int32_t>(bytes, 28), 1); // a leap second to insert
        EXPECT_EQ(at<uint32_t>(bytes, 36), 0x534f434bu);
    }
    EXPECT_EQ(messages, std::vector<std::string> {"Sending samples to chrony through " + path});
}

TEST_F(ChronySocketTest, SaysOnceWhenNobodyListensAndFindsARestartedChronyd)
{
    const std::string retry = " Trying again every 5 s.";
    EXPECT_FALSE(sendAt(0));
    std::optional<Listener> chronyd(path);
    EXPECT_FALSE(sendAt(4 * kSecond)) << "tried again too soon";
    EXPECT_TRUE(chronyd->receive().empty());
    EXPECT_TRUE(sendAt(5 * kSecond));
    EXPECT_EQ(chronyd->receive().size(), sizeof(ChronySample));
    EXPECT_TRUE(sendAt(6 * kSecond));

    chronyd.reset(); // stopped: the socket file stays behind
    EXPECT_FALSE(sendAt(7 * kSecond));
    EXPECT_FALSE(sendAt(12 * kSecond));
    chronyd.emplace(path); // started again
    EXPECT_FALSE(sendAt(16 * kSecond));
    EXPECT_TRUE(sendAt(17 * kSecond));
    EXPECT_EQ(chronyd->receive().size(), sizeof(ChronySample));
    EXPECT_EQ(
        messages,
        (std::vector<std::string> {
            "chrony's socket " + path + " does not exist: is chronyd running with \"refclock SOCK "
                + path + "\"?" + retry,
            "Sending samples to chrony through " + path,
            "chrony's socket " + path + " is not being read: has chronyd stopped?" + retry,
            "Sending samples to chrony through " + path}));
}

} // namespace
} // namespace dcf::timeservice
