// dcf77-autopilot: the real program (Qt windows, real serial port) with a scripted user in the
// same process, listening to the simulated receiver dcf77-sim. The run command uses its demo when
// there is no display; the end-to-end tests use the other scenarios.

#include "command_line.h"
#include "scenarios.h"
#include "session.h"

#include <QApplication>
#include <cstdio>
#include <string>

namespace {

using namespace dcf::autopilot;

struct Scenario
{
    const char *name;
    const char *summary;
    void (*script)(Session &session);
};

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

std::string scenarioList()
{
    std::string list;
    for (const Scenario &scenario : kScenarios)
        list += "\n  " + (std::string(scenario.name) + "       ").substr(0, 8) + scenario.summary;
    return list;
}

} // namespace

int main(int argc, char **argv)
{
    QString picturesDir;
    const Scenario *scenario = nullptr;
    bool show = false;
    dcf::tools::CommandLine line(
        "dcf77-autopilot", "--scenario NAME [OPTION]...",
        "Runs the DCF77 program with a scripted user and a simulated receiver, and checks what\n"
        "the windows show.");
    line.value("--scenario", "NAME", "the scenario to play (see below)",
               [&scenario](const std::string &name) {
                   for (const Scenario &known : kScenarios) {
                       if (name == known.name)
                           scenario = &known;
                   }
                   return scenario ? std::string() : "no scenario " + name + ":" + scenarioList();
               });
    line.value("--pictures", "DIR", "save pictures of both windows in DIR (demo)",
               [&picturesDir](const std::string &dir) {
                   picturesDir = QString::fromStdString(dir);
                   return std::string();
               });
    line.flag("--show", "show the windows on the display instead of the offscreen platform", show);
    line.epilogue("Scenarios:" + scenarioList()
                  + "\n\nExit status: 0 when every check held, 1 when one failed, 2 for a bad "
                    "option.");
    if (const std::optional<int> status = line.readOrExit(argc, argv))
        return *status;
    if (!scenario)
        return line.refuse("choose a --scenario:" + scenarioList());

    // Without --show the windows live off the screen, so it runs without a display too.
    if (!show && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dcf::prepareApplication();

    Session session(picturesDir);
    // The frame's close button ends the program like Exit, as in the program's own main().
    if (!session.main().onCloseRequest)
        session.main().onCloseRequest = [&session] {
            session.qt.program.exit();
        };
    std::printf("dcf77-autopilot: scenario %s (%s)\n", scenario->name, scenario->summary);
    scenario->script(session);
    const int status = session.run();
    std::printf("dcf77-autopilot: scenario %s %s\n", scenario->name,
                status == kExitPassed ? "passed" : "FAILED");
    return status;
}
