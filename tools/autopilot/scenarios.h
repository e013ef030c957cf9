#pragma once

// The scenarios the autopilot plays. Each adds its steps to the session's scripted user; the
// session then runs the program and reports whether every check held.

namespace dcf::autopilot {

class Session;

void scriptDemo(Session &session);
void scriptFull(Session &session);
void scriptFaults(Session &session);
void scriptUnplug(Session &session);
void scriptFlood(Session &session);
void scriptServe(Session &session);

} // namespace dcf::autopilot
