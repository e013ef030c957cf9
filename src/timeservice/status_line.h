#pragma once

// The words for what the time service did with a minute: one line per minute on a server's
// standard output (dcf77-refclock) or the program's error output (dcf77 --chrony).

#include "timeservice/time_service.h"

#include <string>

namespace dcf::timeservice {

/// "2026-12-07 18:31 CET: checks passed; 59 marks, 59 samples sent".
std::string statusLine(const MinuteReport &report);

/// The outcome of one check, as the status line words it.
std::string checkText(MinuteCheck check);

} // namespace dcf::timeservice
