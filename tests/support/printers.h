#pragma once

// How the tests print the program's own values when an expectation fails: by their fields, not
// as bytes.

#include "platform/port_problem.h"
#include "program/program_observer.h"

#include <ostream>

namespace dcf {

inline void PrintTo(const PortProblem &problem, std::ostream *out)
{
    *out << "cause " << static_cast<int>(problem.cause) << ", errno " << problem.systemError;
    if (!problem.owner.empty() || !problem.group.empty())
        *out << ", " << problem.owner << ":" << problem.group;
}

inline void PrintTo(const DecodedMinute &minute, std::ostream *out)
{
    *out << minute.hour << ":" << minute.minute << " on " << minute.day << "." << minute.month
         << "." << minute.year << ", weekday " << minute.weekday << ", \"" << minute.zone << "\"";
}

} // namespace dcf
