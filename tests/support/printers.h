#pragma once

// How the tests print the program's own values and their table cases when an expectation fails:
// by their fields or names, not as bytes.

#include "platform/port_problem.h"
#include "program/program_observer.h"

#include <ostream>
#include <string_view>

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

namespace testing {

/// The cases of a table test print by their names, which say what each case is about. A test's
/// own namespace brings this in with `using testing::PrintTo;`.
template<typename Case>
requires requires(const Case &c)
{
    std::string_view(c.name);
}
void PrintTo(const Case &c, std::ostream *out)
{
    *out << c.name;
}

} // namespace testing

} // namespace dcf
