#pragma once

// Tells the kind of receiver from what it sends in the first seconds after the port opens: the
// characters "1" and "0"; a modem-status line that holds one state for 50 to 300 ms about once a
// second (that state is the mark); or at 38400 baud a lone character about once a second (a
// receiver on RxD at 50 baud, whose marks read as breaks). It only decides; what was seen meanwhile
// is kept by its caller.

#include "platform/receiver.h"
#include "platform/serial/line_watch.h"

#include <optional>
#include <span>
#include <string_view>

namespace dcf::serial {

struct Recognised
{
    ReceiverKind kind = ReceiverKind::Characters;
    /// For a line: whether the mark is the active state.
    bool markWhileActive = true;
    bool operator==(const Recognised &) const = default;
};

class Recogniser
{
public:
    /// Watches the lines `lines` (line bits) and, with `characters`, the characters.
    Recogniser(unsigned lines, bool characters)
        : m_lines(lines)
        , m_characters(characters)
    { }

    /// One character as it arrived; the kind once it is known.
    std::optional<Recognised> character(char c, int64_t stampMicroseconds);
    /// `changes`: every change of `line` so far, the newest last; the kind once it is known.
    std::optional<Recognised> lineChanged(unsigned line, std::span<const LineChange> changes);

private:
    const unsigned m_lines;
    const bool m_characters;
    bool m_oneSeen = false;
    /// The character before, while it was neither "1" nor "0".
    std::optional<int64_t> m_loneStamp;
};

/// The kind a line bit stands for.
ReceiverKind kindOfLine(unsigned line);

} // namespace dcf::serial
