#include "platform/serial/line_watch.h"

#include <algorithm>

namespace dcf::serial {

namespace {

/// More changes than this between two samples are not a receiver's (a count that restarted, a
/// driver's slip): then only the state counts.
constexpr int64_t kMostChangesAtOnce = 64;

} // namespace

uint32_t LineWatch::countOf(const LineCounts &counts) const
{
    switch (m_line) {
    case kDcd:
        return counts.dcd;
    case kCts:
        return counts.cts;
    case kDsr:
        return counts.dsr;
    default:
        return counts.ri;
    }
}

void LineWatch::sample(const LineSample &sample, std::vector<LineChange> &changes)
{
    const bool active = (sample.active & m_line) != 0;
    const std::optional<uint32_t> count
        = sample.counts ? std::optional(countOf(*sample.counts)) : std::nullopt;
    const std::optional<bool> before = std::exchange(m_active, active);
    const std::optional<uint32_t> countBefore = std::exchange(m_count, count);
    if (!before)
        return;

    const int64_t changed = *before != active ? 1 : 0;
    int64_t seen = changed;
    if (count && countBefore) {
        const auto counted = static_cast<int64_t>(*count - *countBefore);
        // RI: each counted trailing edge came with a leading one, and the states tell whether
        // one more (or one fewer) happened around them.
        seen = m_line == kRi ? 2 * counted + (active ? 1 : 0) - (*before ? 1 : 0) : counted;
        if (seen > kMostChangesAtOnce)
            seen = changed;
        // A change that fell between reading the state and the count shows in the next sample;
        // until then the states and the number of changes must agree.
        seen = std::max<int64_t>(seen - ((seen - changed) % 2 + 2) % 2, changed);
    }
    // They end in the state seen now; all carry this sample's stamp.
    for (int64_t i = seen; i > 0; --i)
        changes.push_back({sample.stampMicroseconds, i % 2 == 1 ? active : !active});
}

} // namespace dcf::serial
