#pragma once

// Between the port and the outputs of the serial service: what the reader thread sees (characters,
// samples of the modem-status lines, each stamped) becomes the characters for the window thread
// and the edges for a listener. Where no kind was chosen it recognises the receiver first, keeping
// what it sees meanwhile with its stamps, and hands that on once it knows. Pure: the tests run it
// in virtual time.

#include "platform/receiver.h"
#include "platform/serial/line_watch.h"
#include "platform/serial/port.h"
#include "platform/serial/recogniser.h"
#include "platform/serial/serial_service.h"
#include "platform/serial/slow_characters.h"

#include <array>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

namespace dcf::serial {

/// One character for the window thread; an edge when it is "1" or "0" of a receiver.
struct Delivery
{
    Arrival arrival;
    bool isEdge = false;
    bool operator==(const Delivery &) const = default;
};

class SignalTranslation
{
public:
    /// `modemLines`: whether the port reports its modem-status lines at all; `openedMicroseconds`:
    /// when the port was opened, on the stamps' clock.
    SignalTranslation(const ReceiverChoice &choice, bool modemLines,
                      int64_t openedMicroseconds = 0);

    /// What the reader has to watch now.
    enum class Watch {
        Characters, ///< RxD at 38400 baud
        CharactersAndLines, ///< both (the lines by sampling them), while the kind is recognised
        Line, ///< line()
        SlowCharacters, ///< RxD at 50 (or 75) baud; the reader switches the port first
    };
    Watch watch() const;
    /// The line bit of the chosen or recognised line.
    unsigned line() const { return m_line; }
    /// The port has been switched to 50 or 75 baud (0: it could not be) for SlowCharacters.
    void switchedToSlowCharacters(int baud);

    void characters(std::string_view bytes, int64_t stampMicroseconds, std::vector<Delivery> &out);
    void lines(const LineSample &sample, std::vector<Delivery> &out);
    /// When an edge already known is due (the end of a long mark read at 50 baud).
    std::optional<int64_t> nextDue() const;
    void due(int64_t nowMicroseconds, std::vector<Delivery> &out);

    /// The kind as chosen or recognised; nothing while it is being recognised.
    std::optional<ReceiverKind> kind() const { return m_kind; }
    /// Whether the recognised or chosen kind cannot be read on this port.
    bool unreadable() const { return m_unreadable; }

private:
    void recognised(const Recognised &recognised, std::vector<Delivery> &out);
    void handOn(std::span<const LineChange> changes, std::vector<Delivery> &out) const;
    void handOnSlow(std::vector<Delivery> &out);

    const Polarity m_polarity;
    const int64_t m_opened;
    /// Marks that begin earlier are not handed on (see recognised()).
    int64_t m_handOnFrom = 0;
    bool m_holdingMark = false;
    std::optional<ReceiverKind> m_kind;
    unsigned m_line = 0;
    bool m_markWhileActive = true;
    bool m_unreadable = false;
    bool m_samplesLines = false;
    std::optional<Recogniser> m_recogniser;

    /// While recognising: what came, with its stamps, for the kind once it is known.
    std::deque<Arrival> m_heldCharacters;
    std::array<std::vector<LineChange>, 4> m_heldChanges;
    std::array<LineWatch, 4> m_watches {LineWatch(kDcd), LineWatch(kCts), LineWatch(kDsr),
                                        LineWatch(kRi)};
    std::optional<SlowCharacters> m_slow;
    /// Reused for each delivery.
    std::vector<LineChange> m_changes;
    std::vector<Edge> m_edges;
};

} // namespace dcf::serial
