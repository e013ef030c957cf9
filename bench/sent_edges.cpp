#include "sent_edges.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <utility>

namespace dcf::bench {

namespace {

constexpr double kNsPerMs = 1e6;
constexpr int64_t kNsPerUs = 1000;
/// How far a stamp may precede its write: one bit at 50 baud, far less than the 800 ms at least
/// between two edges of the same kind.
constexpr int64_t kStampSlackNs = 20'000'000;

} // namespace

SentEdges SentEdges::read(const std::string &path)
{
    SentEdges edges;
    std::ifstream log(path);
    std::string line;
    while (std::getline(log, line)) {
        std::istringstream fields(line);
        long long sentNs = 0;
        char edge = 0;
        if (fields >> sentNs >> edge && (edge == '1' || edge == '0'))
            edges.add(sentNs, edge);
    }
    return edges;
}

void SentEdges::add(int64_t sentNs, char edge)
{
    m_edges.push_back({sentNs, edge});
}

double SentEdges::Mark::sentMs() const
{
    return static_cast<double>(endNs - beginNs) / kNsPerMs;
}

std::optional<int64_t> SentEdges::lastSentBefore(int64_t arrivalNs, char edge) const
{
    // Written in order: the edges up to the arrival end at the first one written after it.
    const auto end
        = std::upper_bound(m_edges.begin(), m_edges.end(), arrivalNs,
                           [](int64_t arrival, const Edge &sent) { return arrival < sent.sentNs; });
    const auto found = std::find_if(std::make_reverse_iterator(end), m_edges.rend(),
                                    [edge](const Edge &sent) { return sent.edge == edge; });
    if (found == m_edges.rend())
        return std::nullopt;
    return found->sentNs;
}

std::optional<SentEdges::Mark> SentEdges::markArrivedAt(int64_t beginArrivalUs,
                                                        int64_t endArrivalUs) const
{
    const std::optional<int64_t> begin
        = lastSentBefore(beginArrivalUs * kNsPerUs + kStampSlackNs, '1');
    const std::optional<int64_t> end = lastSentBefore(endArrivalUs * kNsPerUs + kStampSlackNs, '0');
    if (!begin || !end || *end < *begin)
        return std::nullopt;
    return Mark {*begin, *end};
}

std::vector<SentEdges::Mark> SentEdges::marks() const
{
    std::vector<Mark> whole;
    std::optional<int64_t> begin;
    for (const Edge &sent : m_edges) {
        if (sent.edge == '1')
            begin = sent.sentNs;
        else if (begin)
            whole.push_back({*std::exchange(begin, std::nullopt), sent.sentNs});
    }
    return whole;
}

} // namespace dcf::bench
