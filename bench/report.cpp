#include "report.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

namespace dcf::bench {

std::string withUnit(double value, int decimals, const std::string &unit)
{
    std::ostringstream out;
    out << std::fixed << std::setprecision(decimals) << value << ' ' << unit;
    return out.str();
}

void Report::add(std::string figure, std::string measured)
{
    m_rows.push_back({std::move(figure), std::move(measured), {}, {}});
}

void Report::add(std::string figure, std::optional<double> value, int decimals,
                 const std::string &unit, Target target)
{
    std::string measured = value ? withUnit(*value, decimals, unit) : "none";
    add(std::move(figure), std::move(measured), value, unit, target);
}

void Report::add(std::string figure, std::string measured, std::optional<double> value,
                 const std::string &unit, Target target)
{
    const bool met = value && target.isMetBy(*value);
    if (!met)
        ++m_misses;
    m_rows.push_back(
        {std::move(figure), std::move(measured), target.text(unit), met ? "PASS" : "MISS"});
}

void Report::heading(std::string text)
{
    m_rows.push_back({std::move(text), {}, {}, {}, true});
}

void Report::note(std::string text)
{
    m_notes.push_back(std::move(text));
}

void Report::print(std::ostream &out) const
{
    std::size_t figureWidth = 6;
    std::size_t measuredWidth = 8;
    std::size_t targetWidth = 6;
    for (const Row &row : m_rows) {
        if (row.isHeading)
            continue;
        figureWidth = std::max(figureWidth, row.figure.size());
        measuredWidth = std::max(measuredWidth, row.measured.size());
        targetWidth = std::max(targetWidth, row.target.size());
    }
    const auto line = [&](const std::string &figure, const std::string &measured,
                          const std::string &target, const std::string &verdict) {
        std::ostringstream text;
        text << std::left << std::setw(static_cast<int>(figureWidth)) << figure << "  "
             << std::right << std::setw(static_cast<int>(measuredWidth)) << measured << "  "
             << std::left << std::setw(static_cast<int>(targetWidth)) << target << "  " << verdict;
        std::string shown = text.str();
        shown.erase(shown.find_last_not_of(' ') + 1);
        out << shown << '\n';
    };
    line("Figure", "Measured", "Target", "");
    out << std::string(figureWidth + measuredWidth + targetWidth + 10, '-') << '\n';
    for (const Row &row : m_rows) {
        if (row.isHeading)
            out << '\n' << row.figure << '\n';
        else
            line(row.figure, row.measured, row.target, row.verdict);
    }
    if (!m_notes.empty())
        out << '\n';
    for (const std::string &text : m_notes)
        out << text << '\n';
}

} // namespace dcf::bench
