#pragma once

// The edges a simulated receiver sent, as dcf77-sim logs them with --log-writes: the moment of
// each write on the monotonic clock, logged only while a reader has the port open. Measured
// against them, a mark's error is the reader's own, apart from a sender that woke late; and each
// edge's delivery from its write to its arrival stamp shows how quickly the port's reader took
// it. Qt-free.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dcf::bench {

class SentEdges
{
public:
    /// Reads a log; lines that are not "<ns> 1" or "<ns> 0" are skipped. Empty when there is
    /// no log.
    static SentEdges read(const std::string &path);

    /// Adds an edge; edges come in the order sent.
    void add(int64_t sentNs, char edge);
    bool empty() const { return m_edges.empty(); }

    struct Mark
    {
        /// The writes of its two edges.
        int64_t beginNs = 0;
        int64_t endNs = 0;
        double sentMs() const;
    };

    /// The mark whose edges arrived at these stamps (microseconds on the same clock): the last
    /// "1" written before the first, the last "0" before the second. A stamp may lie a little
    /// before its write, as a 50-baud mark's start reckoned back from its character does. Nothing
    /// when either is missing.
    std::optional<Mark> markArrivedAt(int64_t beginArrivalUs, int64_t endArrivalUs) const;
    /// Every mark sent whole, a "1" and the "0" after it, in order.
    std::vector<Mark> marks() const;

private:
    struct Edge
    {
        int64_t sentNs;
        char edge;
    };
    /// The last `edge` written at or before `arrivalNs`.
    std::optional<int64_t> lastSentBefore(int64_t arrivalNs, char edge) const;

    std::vector<Edge> m_edges;
};

} // namespace dcf::bench
