// The program as a reference clock with its windows: it decodes a minute from a receiver that
// runs outside the autopilot (--port) and then keeps running, feeding chrony (--chrony), until a
// termination signal ends it as Exit does. The chrony end-to-end run drives it.

#include "scenarios.h"
#include "session.h"
#include "steps.h"

namespace dcf::autopilot {

void scriptServe(Session &session)
{
    reportMinuteGaps(session);
    typePortAndPressStart(session);
    session.user.waitFor(
        QStringLiteral("the decoded minute (the date panel revealed)"),
        [&session] { return session.panelShown(); }, kDecodeTimeoutMs);
    printPanel(session);
    session.user.act(QStringLiteral("keep the program running"), [&session] {
        session.say(QStringLiteral("Serving until a termination signal"));
    });
}

} // namespace dcf::autopilot
