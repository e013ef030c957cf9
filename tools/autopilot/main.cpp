// dcf77-autopilot: the real program (Qt windows, real serial port) with a scripted user in the
// same process, listening to the simulated receiver dcf77-sim. The run command uses its demo when
// there is no display; the end-to-end tests use the other scenarios.

#include "app/termination_signals.h"
#include "option_reading.h"
#include "platform/qt/reaction_guard.h"
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
    {"serve", "decode a minute from --port, then keep running until a termination signal",
     scriptServe},
};

std::string scenarioList()
{
    std::string list;
    for (const Scenario &scenario : kScenarios)
        list += "\n  " + (std::string(scenario.name) + "       ").substr(0, 8) + scenario.summary;
    return list;
}

enum Key : int {
    kScenario = 256,
    kPictures,
    kShow,
    kReceiver,
    kInvert,
    kNeedsPower,
    kPort,
    kChrony
};

constexpr option kOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"scenario", required_argument, nullptr, kScenario},
    {"pictures", required_argument, nullptr, kPictures},
    {"show", no_argument, nullptr, kShow},
    {"receiver", required_argument, nullptr, kReceiver},
    {"invert", no_argument, nullptr, kInvert},
    {"needs-power", required_argument, nullptr, kNeedsPower},
    {"port", required_argument, nullptr, kPort},
    {"chrony", required_argument, nullptr, kChrony},
    {nullptr, 0, nullptr, 0},
};

constexpr char kUsage[] = R"(Usage: dcf77-autopilot --scenario NAME [OPTION]...
Runs the DCF77 program with a scripted user and a simulated receiver, and checks what
the windows show.

  -h, --help              show this text and exit
  --scenario NAME         the scenario to play (see below)
  --pictures DIR          save pictures of both windows in DIR (demo)
  --show                  show the windows on the display instead of the offscreen platform
  --receiver KIND         the simulated receiver's kind (dcf77-sim --receiver); the program
                          recognises it as it would a real one. A line kind needs the
                          modem-line library preloaded (LD_PRELOAD=libdcf77-modem-lines.so)
  --invert                the receiver's line is released for the mark (dcf77-sim --invert)
  --needs-power LINES     it sends nothing until the program sets DTR, RTS or both
  --port PATH             a receiver already running there, instead of a simulator (serve)
  --chrony SOCKET         the program feeds chrony's SOCK reference clock (dcf77 --chrony)

Scenarios:)";

} // namespace

int main(int argc, char **argv)
{
    QString picturesDir;
    const Scenario *scenario = nullptr;
    bool show = false;
    // Passed on to every simulator the scenario starts; dcf77-sim checks them.
    QStringList receiver;
    QString port;
    dcf::ProgramOptions program;
    const dcf::tools::Reading reading = dcf::tools::readOptions(
        argc, argv, kOptions, [&](int key, const std::string &) -> std::string {
            if (key == kScenario) {
                for (const Scenario &known : kScenarios) {
                    if (optarg == std::string(known.name))
                        scenario = &known;
                }
                return scenario ? "" : "no scenario " + std::string(optarg) + ":" + scenarioList();
            }
            if (key == kPictures)
                picturesDir = QString::fromLocal8Bit(optarg);
            if (key == kReceiver || key == kNeedsPower)
                receiver << QString::fromLatin1(key == kReceiver ? "--receiver" : "--needs-power")
                         << QString::fromLocal8Bit(optarg);
            if (key == kPort)
                port = QString::fromLocal8Bit(optarg);
            if (key == kChrony)
                program.chronySocket = optarg;
            if (key == kInvert)
                receiver << QStringLiteral("--invert");
            show = show || key == kShow;
            return {};
        });
    const std::string help = kUsage + scenarioList()
        + "\n\nExit status: 0 when every check held, 1 when one failed, 2 for a bad option.\n";
    if (const std::optional<int> status
        = dcf::tools::exitFor(reading, "dcf77-autopilot", help.c_str()))
        return *status;
    if (!scenario)
        return dcf::tools::refuse("dcf77-autopilot", "choose a --scenario:" + scenarioList());

    // Without --show the windows live off the screen, so it runs without a display too.
    if (!show && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dcf::prepareApplication();

    Session session(picturesDir, program);
    session.receiverArguments = receiver;
    session.externalPort = port;
    if (scenario->script == scriptServe && port.isEmpty())
        return dcf::tools::refuse("dcf77-autopilot", "the scenario serve needs --port");
    // The frame's close button ends the program like Exit, as in the program's own main().
    if (!session.main().onCloseRequest)
        session.main().onCloseRequest = [&session] {
            session.qt.program.exit();
        };
    std::printf("dcf77-autopilot: scenario %s (%s)\n", scenario->name, scenario->summary);
    scenario->script(session);
    // A termination signal is the Exit command, as in the program's own main().
    const dcf::TerminationSignals termination([&session] {
        session.say(QStringLiteral("Termination signal: Exit"));
        dcf::runGuarded([&session] { session.qt.program.exit(); });
    });
    const int status = session.run();
    std::printf("dcf77-autopilot: scenario %s %s\n", scenario->name,
                status == kExitPassed ? "passed" : "FAILED");
    return status;
}
