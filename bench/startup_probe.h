#pragma once

// Start-up time: the benchmark starts itself again as a probe, which builds the program, shows
// its main window and reports the moment the window is exposed; the time from launching the
// probe to that moment is the start-up time.

#include <QString>
#include <vector>

namespace dcf::bench {

inline constexpr const char *kStartupProbeOption = "--startup-probe";

/// The probe's main: prints the monotonic nanosecond at which the main window was exposed.
int runStartupProbe(int argc, char **argv);

/// Launches `runs` probes one after the other; start-up times in ms, or empty with `error` set.
std::vector<double> measureStartup(int runs, QString &error);

} // namespace dcf::bench
