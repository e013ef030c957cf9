#pragma once

// The table that the benchmark prints: each figure with its target and verdict.

#include "figures.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace dcf::bench {

class Report
{
public:
    /// A figure without a target.
    void add(std::string figure, std::string measured);
    /// A figure judged against `target`; a missing value is a MISS.
    void add(std::string figure, std::optional<double> value, int decimals, const std::string &unit,
             Target target);
    /// The same, shown as `measured` rather than as the value judged.
    void add(std::string figure, std::string measured, std::optional<double> value,
             const std::string &unit, Target target);
    /// A heading over the rows added after it.
    void heading(std::string text);
    /// A line of explanation printed under the table.
    void note(std::string text);

    bool allTargetsMet() const { return m_misses == 0; }
    void print(std::ostream &out) const;

private:
    struct Row
    {
        std::string figure;
        std::string measured;
        std::string target;
        std::string verdict;
        bool isHeading = false;
    };
    std::vector<Row> m_rows;
    std::vector<std::string> m_notes;
    int m_misses = 0;
};

/// `value` with `decimals` decimals and the unit after a blank.
std::string withUnit(double value, int decimals, const std::string &unit);

} // namespace dcf::bench
