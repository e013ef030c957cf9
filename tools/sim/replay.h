#pragma once

// A recorded stream played back as it was: text lines "MILLISECONDS CHARACTERS" ("1000 1"),
// where the offset counts from the start of sending and never decreases. Blank lines are
// skipped, and "#" begins a comment at the start of a line or after a blank;
// in CHARACTERS, "\xHH" stands for any byte and "\\" for a backslash.

#include "schedule.h"

#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace dcf::sim {

/// A line that cannot be played; the message names the file and the line.
class ReplayError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

/// Reads a recording; `name` appears in error messages. Throws ReplayError.
std::vector<Emission> parseReplay(std::istream &input, const std::string &name);
/// Reads a recording from a file. Throws ReplayError, also when the file cannot be read.
std::vector<Emission> loadReplay(const std::string &path);

} // namespace dcf::sim
