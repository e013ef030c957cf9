// What each kind of simulated receiver puts on its port for a mark, at stamps given by the test
// (no clock involved): the line on the board, the character on RxD at the program's baud rate,
// the edge log, and the silence of a receiver without power.

#include "receiver_line.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace dcf::sim {
namespace {

constexpr int64_t kMs = 1'000'000;

TEST(UartCharacter, IsWhatTheLowBitsOfTheMarkMake)
{
    // Bits of 20 ms at 50 baud, 13.3 ms at 75; the start bit is the first low one. Baud, mark
    // in milliseconds, the character.
    const std::tuple<int64_t, int64_t, std::optional<uint8_t>> table[]
        = {{50, 100, 0xF0}, {50, 200, 0x00},   {50, 20, 0xFF},        {50, 150, 0xC0},
           {50, 179, 0x00}, {50, 300, 0x00},   {50, 9, std::nullopt}, {75, 100, 0xC0},
           {75, 200, 0x00}, {38400, 100, 0x00}};
    for (const auto &[baud, markMs, character] : table)
        EXPECT_EQ(uartCharacter(markMs * kMs, baud), character) << markMs << " ms at " << baud;
}

/// A simulator's terminal, opened by "the program", with a board and an edge log.
class Port : public testing::Test
{
protected:
    ~Port() override
    {
        ::close(device);
        std::fclose(log);
    }

    std::string logged()
    {
        std::fflush(log);
        std::rewind(log);
        std::string text;
        for (int c; (c = std::fgetc(log)) != EOF;)
            text += static_cast<char>(c);
        return text;
    }
    bool asserted(uint32_t line) const { return (board->read().inputs & line) != 0; }

    PseudoTerminal terminal;
    /// A new simulator's board: all lines cleared.
    std::unique_ptr<modemlines::LineBoard> board
        = modemlines::LineBoard::createFor(terminal.devicePath());
    int device = openDeviceRaw(terminal.devicePath());
    std::FILE *log = std::tmpfile();
};

TEST_F(Port, LineKindsAssertTheirLineForTheMarkOrReleaseItInverted)
{
    for (const bool invert : {false, true}) {
        for (const ReceiverKind kind :
             {ReceiverKind::Dcd, ReceiverKind::Cts, ReceiverKind::Dsr, ReceiverKind::Ri}) {
            SCOPED_TRACE(std::string(receiverKindName(kind)) + (invert ? " inverted" : ""));
            const uint32_t line = statusLineOf(kind);
            board = nullptr;
            board = modemlines::LineBoard::createFor(terminal.devicePath());
            ReceiverLine receiver(terminal, board.get(), {kind, invert, 0}, nullptr);
            EXPECT_EQ(asserted(line), invert) << "at rest";
            receiver.emit("1", 0, 100 * kMs);
            EXPECT_EQ(asserted(line), !invert);
            receiver.emit("0", 100 * kMs, std::nullopt);
            EXPECT_EQ(asserted(line), invert);
            EXPECT_EQ(board->read().inputs & ~line, 0u) << "another line moved";
        }
    }
}

TEST_F(Port, EveryKindLogsItsEdgesWhileTheProgramHasThePortOpen)
{
    ReceiverLine receiver(terminal, board.get(), {ReceiverKind::Dsr, false, 0}, log);
    receiver.emit("1", 1000, 100 * kMs);
    receiver.emit("0", 2000, std::nullopt);
    ::close(device);
    device = -1;
    receiver.emit("1", 3000, 100 * kMs);
    receiver.emit("0", 4000, std::nullopt);
    EXPECT_EQ(logged(), "1000 1\n2000 0\n");

    ReceiverLine characters(terminal, nullptr, {}, log);
    device = openDeviceRaw(terminal.devicePath());
    characters.emit("1x", 5000, 100 * kMs); // noise is not an edge
    EXPECT_EQ(logged(), "1000 1\n2000 0\n5000 1\n");
}

TEST_F(Port, Rxd50SendsTheCharacterAtTheEndOfItsFrameAtTheProgramsBaudRate)
{
    const struct
    {
        speed_t speed;
        int64_t deliveryMs;
        std::string received;
    } rates[] = {{B50, 190, "\xF0"}, {B75, 126, "\xC0"}, {B38400, 0, std::string(1, '\0')}};
    ReceiverLine receiver(terminal, board.get(), {ReceiverKind::Rxd50, false, 0}, nullptr);
    int64_t markStartNs = 0;
    for (const auto &rate : rates) {
        termios settings {};
        ASSERT_EQ(tcgetattr(device, &settings), 0);
        cfsetspeed(&settings, rate.speed);
        ASSERT_EQ(tcsetattr(device, TCSANOW, &settings), 0);

        markStartNs += 1000 * kMs;
        receiver.emit("1", markStartNs, 100 * kMs);
        ASSERT_TRUE(receiver.pendingDueNs());
        EXPECT_EQ((*receiver.pendingDueNs() - markStartNs) / kMs, rate.deliveryMs);
        receiver.emit("0", markStartNs + 100 * kMs, std::nullopt);
        receiver.deliverPending();
        EXPECT_FALSE(receiver.pendingDueNs());

        char byte = 'x';
        pollfd arrival {device, POLLIN, 0};
        ASSERT_EQ(poll(&arrival, 1, 5000), 1);
        EXPECT_EQ(::read(device, &byte, 1), 1);
        EXPECT_EQ(std::string(1, byte), rate.received) << rate.deliveryMs;
    }
}

TEST_F(Port, AReceiverThatNeedsPowerIsSilentUntilTheProgramSetsItsLines)
{
    ReceiverLine receiver(terminal, board.get(), {ReceiverKind::Dcd, false, TIOCM_DTR | TIOCM_RTS},
                          log);
    board->raiseOutputs(TIOCM_DTR);
    receiver.emit("1", 1000, 100 * kMs);
    EXPECT_FALSE(asserted(TIOCM_CAR)) << "RTS is still cleared";

    board->raiseOutputs(TIOCM_RTS);
    receiver.emit("1", 2000, 100 * kMs);
    EXPECT_TRUE(asserted(TIOCM_CAR));
    board->lowerOutputs(TIOCM_RTS);
    receiver.emit("0", 3000, std::nullopt);
    receiver.emit("1", 4000, 100 * kMs);
    EXPECT_FALSE(asserted(TIOCM_CAR));

    // Closing the port drops DTR and RTS, as a real port does.
    board->raiseOutputs(TIOCM_RTS);
    ::close(device);
    device = -1;
    receiver.emit("0", 5000, std::nullopt);
    EXPECT_EQ(board->read().outputs, 0u);
    EXPECT_EQ(logged(), "2000 1\n3000 0\n");
}

} // namespace
} // namespace dcf::sim
