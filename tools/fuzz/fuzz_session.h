#pragma once

// Runs the whole program on one script in virtual time and checks, at every event processing and
// after every user action, what must always hold. A broken rule is reported on stderr and
// aborts, so that the fuzzer keeps the input.

#include "session_script.h"

namespace dcf::fuzz {

/// Figures of one run, for the replay's report.
struct SessionSummary
{
    int decodes = 0;
    int clockMinutes = 0;
    bool ended = false; ///< Exit was given
};

SessionSummary runSession(const Script &script);

} // namespace dcf::fuzz
