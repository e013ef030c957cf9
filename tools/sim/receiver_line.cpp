#include "receiver_line.h"

#include <algorithm>
#include <array>
#include <sys/ioctl.h>
#include <utility>

namespace dcf::sim {

namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;
/// Start bit, eight data bits, stop bit.
constexpr int kFrameBits = 10;

} // namespace

uint32_t statusLineOf(ReceiverKind kind)
{
    switch (kind) {
    case ReceiverKind::Dcd:
        return TIOCM_CAR;
    case ReceiverKind::Cts:
        return TIOCM_CTS;
    case ReceiverKind::Dsr:
        return TIOCM_DSR;
    case ReceiverKind::Ri:
        return TIOCM_RNG;
    case ReceiverKind::Characters:
    case ReceiverKind::Rxd50:
        break;
    }
    return 0;
}

std::optional<int64_t> bitsPerSecond(speed_t speed)
{
    static constexpr std::array<std::pair<speed_t, int64_t>, 22> kRates {{
        {B50, 50},
        {B75, 75},
        {B110, 110},
        {B134, 134},
        {B150, 150},
        {B200, 200},
        {B300, 300},
        {B600, 600},
        {B1200, 1200},
        {B1800, 1800},
        {B2400, 2400},
        {B4800, 4800},
        {B9600, 9600},
        {B19200, 19200},
        {B38400, 38400},
        {B57600, 57600},
        {B115200, 115200},
        {B230400, 230400},
        {B460800, 460800},
        {B921600, 921600},
        {B1000000, 1'000'000},
        {B4000000, 4'000'000},
    }};
    for (const auto &[known, rate] : kRates) {
        if (known == speed)
            return rate;
    }
    return std::nullopt;
}

int64_t deliveryNs(int64_t bitsPerSecond)
{
    // A UART hands a character over when it samples the stop bit, half a bit before the frame's
    // end: 190 ms after the start bit's edge at 50 baud.
    return (2 * kFrameBits - 1) * kNsPerSecond / (2 * bitsPerSecond);
}

std::optional<uint8_t> uartCharacter(int64_t markNs, int64_t bitsPerSecond)
{
    // Bit k is sampled at (k + 1/2) bit times; a sample at the very moment the line returns
    // reads it high. Beyond a second every rate has seen a whole frame low.
    const int64_t markHalfBits = 2 * std::min(markNs, kNsPerSecond) * bitsPerSecond;
    int lowBits = 0;
    while (lowBits < kFrameBits && (2 * lowBits + 1) * kNsPerSecond < markHalfBits)
        ++lowBits;
    if (lowBits == 0)
        return std::nullopt;
    if (lowBits == kFrameBits)
        return 0x00; // the stop bit was low: a framing error or a break
    return static_cast<uint8_t>(0xFF << (lowBits - 1)); // data bits go least significant first
}

ReceiverLine::ReceiverLine(PseudoTerminal &terminal, LineBoard *board,
                           const ReceiverSettings &settings, std::FILE *writeLog)
    : m_terminal(terminal)
    , m_board(board)
    , m_settings(settings)
    , m_writeLog(writeLog)
{
    m_powered = m_settings.neededPower == 0;
    if (const uint32_t line = statusLineOf(m_settings.kind); line != 0 && m_settings.invert)
        m_board->setInput(line, true); // at rest the inverted line is asserted
}

bool ReceiverLine::powered()
{
    if (m_settings.neededPower == 0)
        return true;
    const bool powered
        = (m_board->read().outputs & m_settings.neededPower) == m_settings.neededPower;
    if (powered != m_powered)
        std::fprintf(stderr, "dcf77-sim: the receiver %s\n", powered ? "has power" : "lost power");
    m_powered = powered;
    return powered;
}

void ReceiverLine::emit(const std::string &characters, int64_t nowNs, std::optional<int64_t> markNs)
{
    const bool readerPresent = m_terminal.readerPresent();
    if (m_board && m_readerWasPresent && !readerPresent)
        m_board->setOutputs(0); // closing the port drops DTR and RTS
    m_readerWasPresent = readerPresent;

    if (!powered()) {
        edge(false, nowNs, std::nullopt);
        return;
    }
    if (m_settings.kind == ReceiverKind::Characters) {
        if (m_terminal.send(characters) == 0)
            return;
        for (const char character : characters) {
            if (character == '1' || character == '0')
                log(nowNs, character);
        }
        return;
    }
    for (const char character : characters) {
        if (character == '1' || character == '0')
            edge(character == '1', nowNs, markNs);
    }
}

void ReceiverLine::edge(bool markBegins, int64_t nowNs, std::optional<int64_t> markNs)
{
    if (markBegins == m_markOn)
        return;
    m_markOn = markBegins;
    if (const uint32_t line = statusLineOf(m_settings.kind))
        m_board->setInput(line, markBegins != m_settings.invert);
    if (m_settings.kind == ReceiverKind::Rxd50 && markBegins) {
        // The master reads the settings that the program gave the terminal.
        termios settings {};
        if (tcgetattr(m_terminal.controllerFd(), &settings) == 0) {
            const speed_t speed = cfgetispeed(&settings);
            if (const auto rate = bitsPerSecond(speed == B0 ? cfgetospeed(&settings) : speed)) {
                // A mark whose end is not planned lasts: a break.
                if (const auto value = uartCharacter(markNs.value_or(kNsPerSecond), *rate))
                    m_pending.push_back({nowNs + deliveryNs(*rate), *value});
            }
        }
    }
    if (m_terminal.readerPresent())
        log(nowNs, markBegins ? '1' : '0');
}

std::optional<int64_t> ReceiverLine::pendingDueNs() const
{
    if (m_pending.empty())
        return std::nullopt;
    return m_pending.front().dueNs;
}

void ReceiverLine::deliverPending()
{
    if (m_pending.empty())
        return;
    m_terminal.send(std::string(1, static_cast<char>(m_pending.front().value)));
    m_pending.pop_front();
}

void ReceiverLine::log(int64_t nowNs, char edge)
{
    if (!m_writeLog)
        return;
    std::fprintf(m_writeLog, "%lld %c\n", static_cast<long long>(nowNs), edge);
    std::fflush(m_writeLog); // a reader has it while the simulator goes on
}

} // namespace dcf::sim
