#pragma once

// The time service measured as the reference clock runs it: the serial service reads the
// simulated receiver, which sends the current time and logs its writes, and the time service
// gives every sample to a private chronyd (-x -U: no control of the clock, its configuration,
// sockets and files in a temporary folder). And the soak test's thirty virtual days, which tell
// whether a wrong second was ever sent.
//   dcf77-sim (pty) -> serial service -> time service -> samples -> chronyd -> sourcestats

#include "report.h"

#include <QString>

namespace dcf::bench {

/// Runs until the samples span `minutes` (a few minutes more at most for the first one); false
/// with `failure` set when it could not run.
bool runTimeService(int minutes, TimeServiceRecord &record, QString &failure);

/// The soak test's counts; nothing, with `failure` set, when it did not run or printed none.
std::optional<SoakRecord> runSoak(QString &failure);

} // namespace dcf::bench
