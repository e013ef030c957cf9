#include "platform/serial/line_sampling.h"

#include <array>
#include <span>

namespace dcf::serial {

namespace {

/// The recognition's time: a receiver is known within it, and its edges are kept as stamped.
constexpr int64_t kRecognitionUs = 3'000'000;
/// How far an edge may stray from where it is due: a receiver's jitter of a few milliseconds,
/// with room.
constexpr int64_t kEdgeWindowUs = 20'000;
constexpr int64_t kSecondUs = 1'000'000;

} // namespace

int64_t lineSamplePeriod(int64_t now, std::optional<int64_t> lastMarkBegins, int64_t openedAt,
                         bool onlyStartsSampled)
{
    if (!lastMarkBegins)
        return now - openedAt < kRecognitionUs ? kFineSampleUs : kCoarseSampleUs;
    const int64_t sinceMark = now - *lastMarkBegins;
    // This mark's end, and the next mark's start (or the one after the minute gap).
    constexpr std::array<int64_t, 4> kDue {kSecondUs, 2 * kSecondUs, 100'000, 200'000};
    for (const int64_t due : std::span(kDue).first(onlyStartsSampled ? 2 : 4)) {
        if (sinceMark >= due - kEdgeWindowUs && sinceMark <= due + kEdgeWindowUs)
            return kFineSampleUs;
    }
    return kCoarseSampleUs;
}

} // namespace dcf::serial
