#pragma once

// What the machine allows without the program: a plain reader, in a child process beside the
// program under the same load, reads another simulated receiver of the same kind on the same
// kind of pseudo-terminal and stamps each edge when it wakes (blocked in poll() for characters,
// in TIOCMIWAIT for a line, sampling RI once a millisecond), and a thread of it sleeps until
// whole-millisecond deadlines as the running clock does. It costs the program nothing.

#include "platform/receiver.h"
#include "report.h"

#include <QProcess>
#include <QString>

namespace dcf::bench {

inline constexpr const char *kPlainReaderOption = "--plain-reader";

/// The child's main (`--plain-reader KIND`): measures until its standard input ends, then prints
/// "mark <us> <sent us>" and "wake <late us>" lines.
int runPlainReader(int argc, char **argv, ReceiverKind kind);

class PlainReader
{
public:
    void start(ReceiverKind kind);
    /// Asks the child to end; it prints its figures then.
    void stop();
    bool hasEnded() const;
    /// Reads the figures of the child that has ended into `reading`; false when it failed.
    bool collect(PlainReading &reading);

private:
    QProcess m_child;
};

} // namespace dcf::bench
