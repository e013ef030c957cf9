#pragma once

// The kinds of DCF77 receiver that the serial service reads, and how the user chooses one
// (dcf77 --receiver KIND --invert --power LINES). Every kind becomes the same stream of edges.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace dcf {

enum class ReceiverKind {
    Characters, ///< "1" when a mark begins, "0" when it ends, at 38400 baud
    Dcd, ///< the mark as the level of a modem-status line
    Cts,
    Dsr,
    Ri,
    Rxd50, ///< each mark starts a character on RxD at 50 baud; its low bits give its length
};

/// Which state of a modem-status line is the mark.
enum class Polarity {
    FromSignal, ///< the state that lasts 50 to 300 ms
    MarkWhileActive,
    MarkWhileInactive, ///< --invert
};

/// Which of DTR and RTS are set to power the receiver module.
enum class PowerLines { None, Dtr, Rts, Both };

/// What the user chose; what is left open is found from the signal.
struct ReceiverChoice
{
    /// None: recognised within the first seconds after the port opens.
    std::optional<ReceiverKind> kind;
    Polarity polarity = Polarity::FromSignal;
    PowerLines power = PowerLines::Dtr;
    bool operator==(const ReceiverChoice &) const = default;
};

/// The names on the command line.
inline constexpr std::array<std::pair<ReceiverKind, std::string_view>, 6> kReceiverKindNames {{
    {ReceiverKind::Characters, "characters"},
    {ReceiverKind::Dcd, "dcd"},
    {ReceiverKind::Cts, "cts"},
    {ReceiverKind::Dsr, "dsr"},
    {ReceiverKind::Ri, "ri"},
    {ReceiverKind::Rxd50, "rxd50"},
}};

inline constexpr std::array<std::pair<PowerLines, std::string_view>, 4> kPowerLinesNames {{
    {PowerLines::None, "none"},
    {PowerLines::Dtr, "dtr"},
    {PowerLines::Rts, "rts"},
    {PowerLines::Both, "both"},
}};

/// The value that `name` stands for in `names` (kReceiverKindNames, kPowerLinesNames).
template<typename Value, std::size_t N>
std::optional<Value> valueNamed(const std::array<std::pair<Value, std::string_view>, N> &names,
                                std::string_view name)
{
    for (const auto &[value, known] : names) {
        if (known == name)
            return value;
    }
    return std::nullopt;
}

/// "none, dtr, rts, both": the names for a message.
template<typename Value, std::size_t N>
std::string nameList(const std::array<std::pair<Value, std::string_view>, N> &names)
{
    std::string list;
    for (const auto &[value, name] : names)
        list += (list.empty() ? "" : ", ") + std::string(name);
    return list;
}

inline std::string_view receiverKindName(ReceiverKind kind)
{
    for (const auto &[known, name] : kReceiverKindNames) {
        if (known == kind)
            return name;
    }
    return {};
}

inline std::optional<ReceiverKind> receiverKindNamed(std::string_view name)
{
    return valueNamed(kReceiverKindNames, name);
}

} // namespace dcf
