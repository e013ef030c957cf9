#pragma once

// dcf77-refclock's command line: the port, chrony's socket and how the receiver is read.

#include "platform/receiver.h"

#include <string>
#include <vector>

namespace dcf::refclock {

struct RefclockOptions
{
    std::string port;
    std::string chronySocket;
    ReceiverChoice receiver;
    bool operator==(const RefclockOptions &) const = default;
};

/// Either the options to run with, or what to print and the status to exit with.
struct RefclockCommandLine
{
    bool run = true;
    int exitStatus = 0;
    std::string output; ///< for standard output (help, version)
    std::string error; ///< one line for standard error
    RefclockOptions options;
};

inline constexpr int kUsageErrorStatus = 2;

/// Reads `arguments` (the program's name first, as in argv).
RefclockCommandLine readRefclockCommandLine(const std::vector<std::string> &arguments);

} // namespace dcf::refclock
