#pragma once

// What the simulated receiver puts on its port for each edge of the signal, by kind: the "1" and
// "0" characters themselves, the level of a modem-status line on the line board, or the
// character a UART at the program's baud rate makes of the low pulse on RxD.
//   schedule (edges) -> sender (when) -> ReceiverLine (what, on which line) -> terminal / board

#include "line_board.h"
#include "pseudo_terminal.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <platform/receiver.h>
#include <string>
#include <termios.h>

namespace dcf::sim {

using modemlines::LineBoard;

struct ReceiverSettings
{
    ReceiverKind kind = ReceiverKind::Characters;
    /// A line kind's mark is the line released instead of asserted.
    bool invert = false;
    /// TIOCM_DTR and/or TIOCM_RTS: the receiver stays silent until the program sets them.
    uint32_t neededPower = 0;
};

/// The modem-status line (a TIOCM_* bit) of a line kind; 0 for the others.
uint32_t statusLineOf(ReceiverKind kind);

/// Bits per second of a termios speed; nothing for B0 or an unknown constant.
std::optional<int64_t> bitsPerSecond(speed_t speed);

/// The character an 8N1 UART at `bitsPerSecond` makes of a low pulse of `markNs` that it takes
/// for a start bit, sampling each bit in its middle: the low bits (start bit included) clear the
/// low data bits, and a pulse that still holds the stop bit low is a framing error, read as 0x00.
/// Nothing for a pulse shorter than half a bit.
std::optional<uint8_t> uartCharacter(int64_t markNs, int64_t bitsPerSecond);
/// How long after its start bit began an 8N1 UART delivers a character: at the stop bit's sample.
int64_t deliveryNs(int64_t bitsPerSecond);

class ReceiverLine
{
public:
    /// `board` is needed by the line kinds and by `neededPower`; `writeLog` may be null.
    ReceiverLine(PseudoTerminal &terminal, LineBoard *board, const ReceiverSettings &settings,
                 std::FILE *writeLog);

    /// Puts the characters of one emission on the port at `nowNs` (monotonic). `markNs` is the
    /// length of the mark that a "1" among them begins, when known.
    void emit(const std::string &characters, int64_t nowNs, std::optional<int64_t> markNs);

    /// When the UART has finished the next character of RxD, if one is under way.
    std::optional<int64_t> pendingDueNs() const;
    /// Writes that character.
    void deliverPending();

private:
    bool powered();
    void edge(bool markBegins, int64_t nowNs, std::optional<int64_t> markNs);
    void log(int64_t nowNs, char edge);

    PseudoTerminal &m_terminal;
    LineBoard *m_board = nullptr;
    ReceiverSettings m_settings;
    std::FILE *m_writeLog = nullptr;
    bool m_markOn = false;
    bool m_powered = true;
    bool m_readerWasPresent = false;

    struct Pending
    {
        int64_t dueNs = 0;
        uint8_t value = 0;
    };
    std::deque<Pending> m_pending;
};

} // namespace dcf::sim
