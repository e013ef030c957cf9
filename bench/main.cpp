// dcf77-bench: the whole program and the time service measured end to end, in one table:
//   start-up probes -> the program, part by part: a silent receiver, each receiver kind on a
//   quiet machine, the window kept busy, the processors kept busy -> the time service beside a
//   private chronyd -> the soak's count -> table of figures, each against its target.

#include "loads.h"
#include "option_reading.h"
#include "plain_reader.h"
#include "program_run.h"
#include "report.h"
#include "startup_probe.h"
#include "time_service_run.h"

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace dcf;
using namespace dcf::bench;

constexpr int kExitMissed = 1;
constexpr int kExitFailed = 2;

/// The parts a run measures, in their order, and their names for --part.
struct PartChoice
{
    const char *name;
    const char *heading;
    ReceiverKind kind;
    Load load;
};
const PartChoice kParts[] = {
    {"characters", "Characters at 38400 baud, quiet machine", ReceiverKind::Characters,
     Load::Quiet},
    {"dcd", "DCD line, quiet machine", ReceiverKind::Dcd, Load::Quiet},
    {"ri", "RI line, quiet machine", ReceiverKind::Ri, Load::Quiet},
    {"rxd50", "RxD at 50 baud, quiet machine", ReceiverKind::Rxd50, Load::Quiet},
    {"window-busy",
     "Characters, window kept busy: repainted continuously, held 30 ms at random moments",
     ReceiverKind::Characters, Load::WindowBusy},
    {"processors-busy", "Characters, processors kept busy: a spinning process per core",
     ReceiverKind::Characters, Load::ProcessorsBusy},
};
constexpr std::string_view kTimeServicePart = "time-service";

struct Options
{
    bool quick = false;
    std::string samplesPath;
    /// Names of the parts to run; all when empty.
    std::vector<std::string> parts;
    // The benchmark started again as its own probe or plain reader.
    bool startupProbe = false;
    std::optional<ReceiverKind> plainReader;

    bool runs(std::string_view part) const
    {
        return parts.empty() || std::find(parts.begin(), parts.end(), part) != parts.end();
    }
};

enum Key : int { kQuick = 256, kSamples, kPart, kStartupProbe, kPlainReader };

const option kOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"quick", no_argument, nullptr, kQuick},
    {"samples", required_argument, nullptr, kSamples},
    {"part", required_argument, nullptr, kPart},
    {kStartupProbeOption + 2, no_argument, nullptr, kStartupProbe},
    {kPlainReaderOption + 2, required_argument, nullptr, kPlainReader},
    {nullptr, 0, nullptr, 0},
};

constexpr char kHelp[] = R"(Usage: dcf77-bench [OPTION]...
Measures the program on Qt's offscreen platform with dcf77-sim on a pseudo-terminal, for
every kind of receiver and under load, each beside a plain reader on the same machine at
the same time; then the time service feeding a private chronyd; and prints one table of
figures, each against its target.

  -h, --help        show this text and exit
  --quick           every part briefly, for a check that all of it runs (about 12 minutes;
                    the full run takes about 25)
  --part NAME       run only this part (repeatable): characters, dcd, ri, rxd50,
                    window-busy, processors-busy, time-service
  --samples FILE    also write every measured mark, edge wait, clock second and sample to FILE

Exit status: 0 all targets met, 1 a target missed, 2 the run failed or a bad option.
)";

std::string readOne(int key, const std::string &name, const std::string &value, Options &options)
{
    switch (key) {
    case kQuick:
        options.quick = true;
        return {};
    case kSamples:
        options.samplesPath = value;
        return {};
    case kPart:
        if (value != kTimeServicePart
            && std::none_of(std::begin(kParts), std::end(kParts),
                            [&value](const PartChoice &part) { return value == part.name; }))
            return "no part is named \"" + value + "\" (see --help)";
        options.parts.push_back(value);
        return {};
    case kStartupProbe:
        options.startupProbe = true;
        return {};
    case kPlainReader:
        options.plainReader = receiverKindNamed(value);
        return options.plainReader ? "" : name + ": no receiver kind \"" + value + '"';
    }
    return {};
}

/// The line kinds need the modem-status lines that a pseudo-terminal lacks: the test library
/// answers the program's calls for them, preloaded as in the end-to-end runs. It leaves every
/// other descriptor to the system.
void preloadModemLines(char **argv)
{
    const char *preloaded = std::getenv("LD_PRELOAD");
    if (preloaded && std::string_view(preloaded).find(DCF77_MODEM_LINES) != std::string_view::npos)
        return;
    ::setenv("LD_PRELOAD", DCF77_MODEM_LINES, 1);
    ::execv("/proc/self/exe", argv);
    std::cerr << "dcf77-bench: cannot start again with the modem-line library\n";
}

/// The program's parts; false with `failure` set when one failed.
bool measureProgram(int startupRuns, RunSettings settings, Report &report,
                    std::vector<PartRecord> &parts, QString &failure)
{
    std::cerr << "dcf77-bench: start-up, " << startupRuns << " probes\n";
    ProgramRecord program;
    program.startupMs = measureStartup(startupRuns, failure);

    QtProgram bundle;
    // "dcf77: the serial reader runs with ...", as the program says at start-up.
    program.scheduling = readerSchedulingLine(bundle.serial.service().scheduling()).substr(7);
    bundle.program.start();
    if (failure.isEmpty()
        && !QTest::qWaitForWindowExposed(bundle.surface(bundle.program.mainWindow())))
        failure = QStringLiteral("the main window was not exposed");
    std::cerr << "dcf77-bench: the program, " << parts.size() << " parts\n";
    ProgramRun run(bundle, settings, parts);
    if (failure.isEmpty() && !run.run())
        failure = run.failure();
    program.waiting = run.waiting;
    program.peakResidentKiB = peakResidentKiB();

    addProgram(report, program);
    for (PartRecord &part : parts) {
        if (part.load == Load::WindowBusy)
            part.name += " (" + std::to_string(run.windowHolds()) + " times)";
        if (part.ran)
            addPart(report, part);
    }
    return failure.isEmpty();
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    const tools::Reading reading
        = tools::readOptions(argc, argv, kOptions, [&options](int key, const std::string &name) {
              return readOne(key, name, optarg ? optarg : "", options);
          });
    if (const std::optional<int> status = tools::exitFor(reading, "dcf77-bench", kHelp))
        return *status;
    preloadModemLines(argv);
    if (options.plainReader)
        return runPlainReader(argc, argv, *options.plainReader);

    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        // Where Qt would fall back to anyway, without a warning from every process.
        const std::string runtime = "/tmp/runtime-" + std::to_string(getuid());
        ::mkdir(runtime.c_str(), 0700);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime));
    }
    if (options.startupProbe)
        return runStartupProbe(argc, argv);

    std::vector<PartRecord> parts;
    for (const PartChoice &choice : kParts) {
        if (!options.runs(choice.name))
            continue;
        PartRecord &part = parts.emplace_back();
        part.name = choice.heading;
        part.kind = choice.kind;
        part.load = choice.load;
    }

    QApplication application(argc, argv);
    prepareApplication();
    RunSettings settings;
    if (options.quick)
        settings = {.waitingSeconds = 10,
                    .quietMarks = 20,
                    .quietFirstSecond = 50,
                    .quietClockSeconds = 10,
                    .clockSeconds = 10};
    Report report;
    QString failure;
    if (!parts.empty())
        measureProgram(options.quick ? 3 : 5, settings, report, parts, failure);

    TimeServiceRecord timeService;
    const bool withTimeService = options.runs(kTimeServicePart) && failure.isEmpty();
    if (withTimeService) {
        const int minutes = options.quick ? 1 : 10;
        std::cerr << "dcf77-bench: the time service, " << minutes << " minutes of samples\n";
        if (runTimeService(minutes, timeService, failure)) {
            std::cerr << "dcf77-bench: the soak\n";
            timeService.soak = runSoak(failure);
        }
        addTimeService(report, timeService);
    }

    if (!options.samplesPath.empty()) {
        std::ofstream out(options.samplesPath);
        writeSamples(out, parts, withTimeService ? &timeService : nullptr);
        if (!out)
            std::cerr << "dcf77-bench: cannot write " << options.samplesPath << '\n';
    }
    std::cout << "dcf77-bench" << (options.quick ? ", quick: every part shorter than in full" : "")
              << "\nWhere a row shows three values: median / 99th percentile / maximum.\n\n";
    report.print(std::cout);
    if (!failure.isEmpty()) {
        std::cout << "\nThe run failed: " << failure.toStdString() << '\n';
        return kExitFailed;
    }
    return report.allTargetsMet() ? 0 : kExitMissed;
}
