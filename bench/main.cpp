// dcf77-bench: the real program on Qt's offscreen platform, fed by the simulated receiver on a
// pseudo-terminal, measured from the side:
//   start-up probes -> waiting -> quiet machine -> window kept busy -> processors kept busy
//   -> table of figures.

#include "baseline.h"
#include "bench_run.h"
#include "command_line.h"
#include "loads.h"
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

dcf::tools::CommandLine commandLine(Options &options)
{
    dcf::tools::CommandLine line(
        "dcf77-bench", "[OPTION]...",
        "Runs the program on Qt's offscreen platform with dcf77-sim on a pseudo-terminal and "
        "prints\n"
        "its processor use while waiting, receiving and running the clock, the error of the\n"
        "measured marks, how long their edges waited to be processed, how late the clock's\n"
        "seconds are shown, the start-up time and the peak memory, each against its target:\n"
        "on a quiet machine, with the window thread kept busy and with every processor kept\n"
        "busy, each beside a plain reader on the same machine at the same time.");
    line.flag("--quick", "short phases for a quick check (10 s, 20 quiet marks; about 6 minutes)",
              options.quick);
    line.number("--phase-seconds", "N",
                "length of the waiting and the quiet clock phase (default 60)",
                options.phaseSeconds, 1, 3600);
    line.number("--marks", "N", "marks to measure on the quiet machine (default 125)",
                options.marks, 1, 100000);
    line.flag("--without-window-busy", "leave out the window thread kept busy",
              options.withoutWindowBusy);
    line.flag("--without-processors-busy", "leave out the processors kept busy",
              options.withoutProcessorsBusy);
    line.number("--startup-runs", "N", "start-up probes (default 5)", options.startupRuns, 1, 100);
    line.value("--samples", "FILE",
               "also write every measured mark, edge wait and clock second to FILE",
               [&options](const std::string &path) {
                   options.samplesPath = path;
                   return path.empty() ? std::string("--samples needs a path") : std::string();
               });
    line.flag(kStartupProbeOption, {}, options.startupProbe);
    line.flag(kBaselineOption, {}, options.baseline);
    line.number(kSpinOption, "SECONDS", {}, options.spinSeconds, 1, 3600);
    line.epilogue("Exit status: 0 all targets met, 1 a target missed, 2 the run failed or a bad "
                  "option.");
    return line;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (const std::optional<int> status = commandLine(options).readOrExit(argc, argv))
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
