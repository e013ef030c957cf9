// The real serial port on a pseudo-terminal, in real time: marks written with real timing come
// back through Qt's event processing in order and keep their class; stale input is dropped; a
// hung-up line is reported as failed without keeping the event loop busy.

#include "platform/qt/qt_serial_port.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace dcf {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

/// A pseudo-terminal whose far end the test writes to, as a receiver would.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
            return;
        // No echo back to the writer while the port is not yet open.
        termios raw {};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
        m_path = ::ttyname(m_slave);
    }
    ~PseudoTerminal()
    {
        hangUp();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    const std::string &path() const { return m_path; }
    void send(char c) const { ASSERT_EQ(::write(m_master, &c, 1), 1); }
    /// Closes the receiver's end for good, as when a device is unplugged.
    void hangUp()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
        // Our own copy of the device would keep the line up.
        if (m_slave >= 0)
            ::close(m_slave);
        m_slave = -1;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

/// Blocks in Qt's event processing until something arrives or `timeoutMs` has passed.
void waitForActivity(int timeoutMs)
{
    QTimer wakeUp;
    wakeUp.setSingleShot(true);
    wakeUp.start(timeoutMs);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

/// Waits as the reception does: process events, read, block until activity, until a character
/// arrives or the deadline passes.
std::string nextCharacter(QtSerialPort &port, Clock::time_point deadline)
{
    while (Clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::string received = port.read();
        if (!received.empty() || port.hasFailed())
            return received;
        waitForActivity(50);
    }
    return {};
}

class SerialPty : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(pty.path().empty()) << "no pseudo-terminal available";
        port.setPort(pty.path());
        port.setSettings("38400,N,8,1");
        port.setReadLength(1);
    }

    PseudoTerminal pty;
    QtSerialPort port;
};

/// Writes marks of 100, 200, 100 and 200 ms with real timing and reads them back as the reception
/// does. Returns the lengths measured on reading, in milliseconds; empty when the characters did
/// not come back as written.
std::vector<double> measuredLengths(PseudoTerminal &pty, QtSerialPort &port)
{
    const Clock::time_point begin = Clock::now();
    std::thread receiver([&] {
        Clock::time_point start = begin + milliseconds(20);
        for (const int length : {100, 200, 100, 200}) {
            std::this_thread::sleep_until(start);
            pty.send('1');
            std::this_thread::sleep_until(start + milliseconds(length));
            pty.send('0');
            start += milliseconds(300);
        }
    });
    std::string text;
    std::vector<Clock::time_point> read;
    while (read.size() < 8) {
        const std::string c = nextCharacter(port, begin + std::chrono::seconds(3));
        if (c.empty())
            break;
        text += c;
        read.push_back(Clock::now());
    }
    receiver.join();

    std::vector<double> lengths;
    for (std::size_t mark = 0; text == "10101010" && mark < 4; ++mark)
        lengths.push_back(
            std::chrono::duration<double, std::milli>(read[2 * mark + 1] - read[2 * mark]).count());
    return lengths;
}

TEST_F(SerialPty, MarksComeBackInOrderAndKeepTheirClass)
{
    pty.send('x'); // queued before the open: must not be read
    ASSERT_TRUE(port.open()) << port.errorText();

    const std::vector<double> lengths = measuredLengths(pty, port);
    ASSERT_EQ(lengths.size(), 4u) << "characters lost, reordered or stale";
    // Only as exact as telling the classes apart needs; the benchmark measures the error.
    for (std::size_t mark = 0; mark < lengths.size(); ++mark) {
        EXPECT_GT(lengths[mark], mark % 2 ? 150 : 30) << "mark " << mark;
        EXPECT_LT(lengths[mark], mark % 2 ? 250 : 150) << "mark " << mark;
    }
}

TEST_F(SerialPty, HungUpLineFailsWithoutBusyWaiting)
{
    ASSERT_TRUE(port.open()) << port.errorText();
    pty.send('1');
    EXPECT_EQ(nextCharacter(port, Clock::now() + milliseconds(500)), "1");

    pty.hangUp();
    int wakeUps = 0;
    const Clock::time_point deadline = Clock::now() + milliseconds(300);
    while (Clock::now() < deadline) {
        waitForActivity(50);
        ++wakeUps;
    }
    EXPECT_TRUE(port.hasFailed());
    EXPECT_FALSE(port.errorText().empty());
    EXPECT_EQ(port.read(), "");
    // About six 50 ms time-outs; a readable dead descriptor would wake it thousands of times.
    EXPECT_LT(wakeUps, 30);
}

TEST(SerialPort, MissingDeviceDoesNotOpen)
{
    QtSerialPort port;
    port.setPort("/dev/no-such-receiver");
    port.setSettings("38400,N,8,1");
    EXPECT_FALSE(port.open());
    EXPECT_FALSE(port.errorText().empty());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.hasFailed());
    EXPECT_EQ(port.read(), "");
}

} // namespace
} // namespace dcf
