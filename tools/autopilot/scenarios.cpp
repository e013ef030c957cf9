#include "scenarios.h"

#include <cstring>

namespace dcf::autopilot {

namespace {

constexpr Scenario kScenarios[] = {
    {"demo", "decode one minute, print the date panel, save pictures of both windows, Exit",
     scriptDemo},
    {"full", "bit row, date panel, running clock past a minute, clock window, Exit", scriptFull},
    {"faults", "a short and a long mark: red error counters, new attempts, then a decode",
     scriptFaults},
    {"unplug", "the receiver vanishes mid-reception: message box, then a new receiver decodes",
     scriptUnplug},
    {"flood", "a minute of random bytes at full speed: responsive windows, flat memory",
     scriptFlood},
};

} // namespace

std::span<const Scenario> scenarios()
{
    return kScenarios;
}

const Scenario *findScenario(const char *name)
{
    for (const Scenario &scenario : kScenarios) {
        if (std::strcmp(scenario.name, name) == 0)
            return &scenario;
    }
    return nullptr;
}

} // namespace dcf::autopilot
