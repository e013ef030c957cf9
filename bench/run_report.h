#pragma once

// The figures of a benchmark run as the table that it prints, each against its target, and every
// sample for a closer look.

#include "bench_run.h"
#include "report.h"

#include <string>
#include <vector>

namespace dcf::bench {

/// The table of `run`, with the start-up times measured before it.
Report reportOf(const BenchRun &run, const std::vector<double> &startupMs);

/// Writes every mark, edge wait, clock second and plain reader's mark of `run` to `path`.
void writeSamples(const std::string &path, const BenchRun &run);

} // namespace dcf::bench
