#pragma once

// How often the reader samples a modem-status line that wakes no wait (RI's leading edge, a
// driver without TIOCMIWAIT, all four lines while the kind is recognised). A wake-up a millisecond
// costs a few percent of a processor, so it samples that often only where an edge is due: around
// the next second after a mark's start, and around the end of a 100 or 200 ms mark unless a wait
// reports that end (RI). Elsewhere an edge is no receiver's mark, or the first one it sends, and
// twenty milliseconds do.

#include <cstdint>
#include <optional>

namespace dcf::serial {

inline constexpr int64_t kFineSampleUs = 1000;
inline constexpr int64_t kCoarseSampleUs = 20'000;

/// The time until the next sample at `now`. `lastMarkBegins`: when the last mark handed on
/// began; `openedAt`: when the port was opened (the first seconds are sampled finely, while
/// the kind is recognised); `onlyStartsSampled`: a wait reports the marks' ends.
int64_t lineSamplePeriod(int64_t now, std::optional<int64_t> lastMarkBegins, int64_t openedAt,
                         bool onlyStartsSampled);

} // namespace dcf::serial
