#pragma once

// Between the port and the outputs of the serial service: what the reader thread sees (characters,
// samples of the modem-status lines, each stamped) becomes the characters for the window thread
// and the edges for a listener. It recognises the kind of receiver where none was chosen. Pure:
// the tests run it in virtual time.

#include "platform/receiver.h"
#include "platform/serial/port.h"
#include "platform/serial/serial_service.h"

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
    /// `modemLines`: whether the port reports its modem-status lines at all.
    explicit SignalTranslation(const ReceiverChoice &choice, bool modemLines = false);

    /// What the reader has to watch now.
    enum class Watch {
        Characters, ///< RxD at 38400 baud
        CharactersAndLines, ///< both, while the kind is recognised
        Line, ///< line()
        SlowCharacters, ///< RxD at 50 (or 75) baud
    };
    Watch watch() const;

    void characters(std::string_view bytes, int64_t stampMicroseconds, std::vector<Delivery> &out);

    /// The kind as chosen or recognised; nothing while it is being recognised.
    std::optional<ReceiverKind> kind() const { return m_kind; }

private:
    std::optional<ReceiverKind> m_kind;
};

} // namespace dcf::serial
