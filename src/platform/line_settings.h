#pragma once

// The line settings text of the serial port ("38400,N,8,1") and its parts.

#include <optional>
#include <string_view>

namespace dcf {

struct LineSettings
{
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    int baudRate = 0;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    bool operator==(const LineSettings &) const = default;
};

/// Reads "baud,parity,data bits,stop bits": parity one of N, E, O, M, S (either case), 5 to 8
/// data bits, 1, 1.5 or 2 stop bits, blanks around each part allowed. Anything else: nullopt.
std::optional<LineSettings> parseLineSettings(std::string_view text);

} // namespace dcf
