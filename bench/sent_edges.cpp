#include "sent_edges.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace dcf::bench {

namespace {

constexpr double kNsPerMs = 1e6;
constexpr int64_t kNsPerUs = 1000;

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
    const int64_t beginNs = beginArrivalUs * kNsPerUs;
    const int64_t endNs = endArrivalUs * kNsPerUs;
    const std::optional<int64_t> begin = lastSentBefore(beginNs, '1');
    const std::optional<int64_t> end = lastSentBefore(endNs, '0');
    if (!begin || !end || *end < *begin)
        return std::nullopt;
    return Mark {static_cast<double>(*end - *begin) / kNsPerMs,
                 static_cast<double>(beginNs - *begin) / kNsPerMs,
                 static_cast<double>(endNs - *end) / kNsPerMs};
}

} // namespace dcf::bench
