#pragma once

// The scenarios the autopilot plays. Each adds its steps to the session's scripted user; the
// session then runs the program and reports whether every check held.

#include <span>

namespace dcf::autopilot {

class Session;

struct Scenario
{
    const char *name;
    const char *summary;
    void (*script)(Session &session);
};

/// All scenarios, the demo first.
std::span<const Scenario> scenarios();
const Scenario *findScenario(const char *name);

void scriptDemo(Session &session);
void scriptFull(Session &session);
void scriptFaults(Session &session);
void scriptUnplug(Session &session);
void scriptFlood(Session &session);

} // namespace dcf::autopilot
