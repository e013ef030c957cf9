#pragma once

// What the machine allows without the program: a plain reader, blocked in poll() on the same
// kind of pseudo-terminal fed by the same simulated receiver, times the marks; a thread that
// sleeps until whole-millisecond deadlines, as the running clock does, times its wake-ups. It
// runs as a child process beside the program under the same condition, and costs the program
// nothing.

#include <QProcess>
#include <QString>
#include <vector>

namespace dcf::bench {

inline constexpr const char *kBaselineOption = "--baseline";

/// The child's main (`--baseline`): measures until its standard input ends, then prints
/// "mark <us> <sent us>" and "wake <late us>" lines.
int runBaseline(int argc, char **argv);

class Baseline
{
public:
    void start();
    /// Asks the child to end; it prints its figures then.
    void stop();
    bool hasEnded() const;
    /// Reads the figures of the child that has ended; false with `error` set when it failed.
    bool collect(QString &error);

    /// Mark lengths as the reader saw them, microseconds.
    std::vector<double> markLengthsUs;
    /// The same marks as they were sent, microseconds; -1 where the sender's log lacks one.
    std::vector<double> sentLengthsUs;
    /// Lateness of each wake-up, ms.
    std::vector<double> wakeLatenessMs;

private:
    QProcess m_child;
};

} // namespace dcf::bench
