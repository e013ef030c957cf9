#pragma once

// dcf77-refclock without its command line: the receiver's port read through the serial service,
// its edges fed to chrony through the time service, the port opened again whenever it fails, and
// every line for the user on standard output, until a termination signal.
//   options -> serial service -> chrony feed (time service) -> chronyd

#include "app/refclock/refclock_options.h"
#include "platform/port_problem.h"

#include <csignal>
#include <string>

namespace dcf::refclock {

/// Runs until one of `stopSignals` arrives; they must be blocked in every thread. Returns the exit
/// status.
int runRefclock(const RefclockOptions &options, const sigset_t &stopSignals);

/// Why the port cannot be read, in a few words.
std::string portProblemText(const PortProblem &problem);

} // namespace dcf::refclock
