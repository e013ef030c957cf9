#pragma once

// Follows one modem-status line through the samples the reader takes, and lists each of its
// changes with the stamp of the sample that showed it. The driver's counts reveal changes too quick
// to be seen apart: two in one wake-up are a pair at the same stamp, never lost silently.

#include "platform/serial/port.h"

#include <optional>
#include <vector>

namespace dcf::serial {

struct LineChange
{
    int64_t stampMicroseconds = 0;
    /// The state the line changed to.
    bool active = false;
    bool operator==(const LineChange &) const = default;
};

class LineWatch
{
public:
    /// `line`: one line bit. Linux counts only RI's trailing edge (active to inactive).
    explicit LineWatch(unsigned line)
        : m_line(line)
    { }

    /// Appends the changes since the previous sample; the first sample only sets the state.
    void sample(const LineSample &sample, std::vector<LineChange> &changes);

private:
    uint32_t countOf(const LineCounts &counts) const;

    const unsigned m_line;
    std::optional<bool> m_active;
    std::optional<uint32_t> m_count;
};

} // namespace dcf::serial
