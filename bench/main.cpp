// dcf77-bench: the real program on Qt's offscreen platform, fed by the simulated receiver on a
// pseudo-terminal, measured from the side:
//   start-up probes -> waiting -> quiet machine -> window kept busy -> processors kept busy
//   -> table of figures.

#include "baseline.h"
#include "bench_run.h"
#include "loads.h"
#include "option_reading.h"
#include "report.h"
#include "run_report.h"
#include "startup_probe.h"

#include <QApplication>
#include <QTest>
#include <iostream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace dcf::bench;

constexpr int kExitMissed = 1;
constexpr int kExitFailed = 2;

struct Options
{
    bool quick = false;
    std::optional<int> phaseSeconds;
    std::optional<int> marks;
    std::optional<int> startupRuns;
    bool withoutWindowBusy = false;
    bool withoutProcessorsBusy = false;
    std::string samplesPath;
    // The benchmark started again as its own probe, plain reader or spinning process.
    bool startupProbe = false;
    bool baseline = false;
    int spinSeconds = 0;
};

enum Key : int {
    kQuick = 256,
    kPhaseSeconds,
    kMarks,
    kWithoutWindowBusy,
    kWithoutProcessorsBusy,
    kStartupRuns,
    kSamples,
    kStartupProbe,
    kBaseline,
    kSpin,
};

// The last three start the benchmark again as its own probe, plain reader or spinning process.
const option kOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"quick", no_argument, nullptr, kQuick},
    {"phase-seconds", required_argument, nullptr, kPhaseSeconds},
    {"marks", required_argument, nullptr, kMarks},
    {"without-window-busy", no_argument, nullptr, kWithoutWindowBusy},
    {"without-processors-busy", no_argument, nullptr, kWithoutProcessorsBusy},
    {"startup-runs", required_argument, nullptr, kStartupRuns},
    {"samples", required_argument, nullptr, kSamples},
    {kStartupProbeOption + 2, no_argument, nullptr, kStartupProbe},
    {kBaselineOption + 2, no_argument, nullptr, kBaseline},
    {kSpinOption + 2, required_argument, nullptr, kSpin},
    {nullptr, 0, nullptr, 0},
};

constexpr char kHelp[] = R"(Usage: dcf77-bench [OPTION]...
Runs the program on Qt's offscreen platform with dcf77-sim on a pseudo-terminal and prints
its processor use while waiting, receiving and running the clock, the error of the
measured marks, how long their edges waited to be processed, how late the clock's
seconds are shown, the start-up time and the peak memory, each against its target:
on a quiet machine, with the window thread kept busy and with every processor kept
busy, each beside a plain reader on the same machine at the same time.

  -h, --help              show this text and exit
  --quick                 short phases for a quick check (10 s, 20 quiet marks; about 6 minutes)
  --phase-seconds N       length of the waiting and the quiet clock phase (default 60)
  --marks N               marks to measure on the quiet machine (default 125)
  --without-window-busy   leave out the window thread kept busy
  --without-processors-busy
                          leave out the processors kept busy
  --startup-runs N        start-up probes (default 5)
  --samples FILE          also write every measured mark, edge wait and clock second to FILE

Exit status: 0 all targets met, 1 a target missed, 2 the run failed or a bad option.
)";

std::string readOne(int key, const std::string &name, const std::string &value, Options &options)
{
    switch (key) {
    case kPhaseSeconds:
        return dcf::tools::readNumber(name, value, 1, 3600, options.phaseSeconds);
    case kMarks:
        return dcf::tools::readNumber(name, value, 1, 100000, options.marks);
    case kStartupRuns:
        return dcf::tools::readNumber(name, value, 1, 100, options.startupRuns);
    case kSpin:
        return dcf::tools::readNumber(name, value, 1, 3600, options.spinSeconds);
    case kSamples:
        options.samplesPath = value;
        return value.empty() ? "--samples needs a path" : "";
    }
    options.quick = options.quick || key == kQuick;
    options.withoutWindowBusy = options.withoutWindowBusy || key == kWithoutWindowBusy;
    options.withoutProcessorsBusy = options.withoutProcessorsBusy || key == kWithoutProcessorsBusy;
    options.startupProbe = options.startupProbe || key == kStartupProbe;
    options.baseline = options.baseline || key == kBaseline;
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    const dcf::tools::Reading reading = dcf::tools::readOptions(
        argc, argv, kOptions, [&options](int key, const std::string &name) {
            return readOne(key, name, optarg ? optarg : "", options);
        });
    if (const std::optional<int> status = dcf::tools::exitFor(reading, "dcf77-bench", kHelp))
        return *status;
    if (options.spinSeconds > 0)
        return runSpinner(options.spinSeconds);

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
    if (options.baseline)
        return runBaseline(argc, argv);

    RunSettings settings;
    settings.phaseSeconds = options.phaseSeconds.value_or(options.quick ? 10 : 60);
    settings.marksWanted = options.marks.value_or(options.quick ? 20 : 125);
    // Quick: the sending receiver begins a few seconds before a minute mark.
    settings.firstSecond = options.quick ? 50 : 3;
    settings.loadedClockSeconds = options.quick ? 10 : 20;
    settings.withWindowBusy = !options.withoutWindowBusy;
    settings.withProcessorsBusy = !options.withoutProcessorsBusy;
    const int startupRuns = options.startupRuns.value_or(options.quick ? 3 : 5);

    QApplication application(argc, argv);
    dcf::prepareApplication();

    std::cerr << "dcf77-bench: start-up, " << startupRuns << " probes\n";
    QString failure;
    const std::vector<double> startup = measureStartup(startupRuns, failure);

    dcf::QtProgram bundle;
    // The busy window's figures depend on it.
    std::cerr << dcf::readerSchedulingLine(bundle.serial.service().scheduling()) << '\n';
    bundle.program.start();
    if (failure.isEmpty()
        && !QTest::qWaitForWindowExposed(bundle.surface(bundle.program.mainWindow())))
        failure = QStringLiteral("the main window was not exposed");

    BenchRun run(bundle, settings);
    if (failure.isEmpty() && !run.run())
        failure = run.failure();

    if (!options.samplesPath.empty())
        writeSamples(options.samplesPath, run);
    Report report = reportOf(run, startup);
    if (options.quick)
        report.note("Quick run: phases and marks fall short of the full run's 60 s and two "
                    "minutes.");
    std::cout << "dcf77-bench: the program on Qt offscreen, dcf77-sim on a pseudo-terminal\n\n";
    report.print(std::cout);
    if (!failure.isEmpty()) {
        std::cout << "\nThe run failed: " << failure.toStdString() << '\n';
        return kExitFailed;
    }
    return report.allTargetsMet() ? 0 : kExitMissed;
}
