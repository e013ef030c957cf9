#pragma once

// dcf77's command line, read before anything of Qt exists, so that --help, --version and a
// mistyped option are answered without a display. What it chooses goes on to the serial service
// (the receiver) and the time service (chrony); Qt's own options go on to Qt.

#include "platform/receiver.h"

#include <string>
#include <vector>

namespace dcf {

/// What the user chose on the command line.
struct ProgramOptions
{
    ReceiverChoice receiver;
    /// chrony's SOCK reference clock; empty: chrony is not fed.
    std::string chronySocket;
    bool operator==(const ProgramOptions &) const = default;
};

/// The command line read: either the program runs with `options`, or it prints and ends.
struct CommandLine
{
    /// True: start the program; false: print `output` and `error`, then exit with `exitStatus`.
    bool run = true;
    int exitStatus = 0;
    /// For standard output (the help, the version).
    std::string output;
    /// One line for standard error.
    std::string error;
    ProgramOptions options;
    /// Qt's own options (-platform NAME, -style NAME, ...) after the program's name, for
    /// QApplication, which removes what it understands.
    std::vector<std::string> qtArguments;
    /// Among them Qt's -platform, which decides where the windows go.
    bool platformOption = false;
};

/// Status of a command line that cannot be used.
inline constexpr int kUsageErrorStatus = 2;

/// Reads `arguments` (the program's name first, as in argv).
CommandLine readCommandLine(const std::vector<std::string> &arguments);

} // namespace dcf
