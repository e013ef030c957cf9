// dcf77-bench: the real program on Qt's offscreen platform, fed by the simulated receiver on a
// pseudo-terminal, measured from the side:
//   start-up probes -> waiting -> receiving -> running clock -> more marks -> table of figures.

#include "baseline.h"
#include "bench_run.h"
#include "command_line.h"
#include "figures.h"
#include "process_usage.h"
#include "report.h"
#include "startup_probe.h"

#include <QApplication>
#include <QTest>
#include <QThread>
#include <cmath>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace dcf::bench;

constexpr int kExitMissed = 1;
constexpr int kExitFailed = 2;
constexpr double kKiBPerMiB = 1024;
constexpr double kNsPerUs = 1e3;

const Target kProcessorTarget {1.0, false}; // per cent of a core
const Target kPulseErrorTarget {1.0, false}; // ms, 99th percentile
const Target kLatenessTarget {2.0, true}; // ms, 99th percentile

struct Options
{
    bool quick = false;
    std::optional<int> phaseSeconds;
    std::optional<int> marks;
    std::optional<int> startupRuns;
    std::string samplesPath;
    // The benchmark started again as its own probe or baseline.
    bool startupProbe = false;
    int baselineSeconds = 0;
};

dcf::tools::CommandLine commandLine(Options &options)
{
    dcf::tools::CommandLine line(
        "dcf77-bench", "[OPTION]...",
        "Runs the program on Qt's offscreen platform with dcf77-sim on a pseudo-terminal and "
        "prints\n"
        "its processor use while waiting, receiving and running the clock, the error of the\n"
        "measured marks, how late the clock's seconds are shown, the start-up time and the peak\n"
        "memory, each against its target.");
    line.flag("--quick", "short phases for a quick check (10 s, 20 marks; about 2 minutes)",
              options.quick);
    line.number("--phase-seconds", "N", "length of the waiting and the clock phase (default 60)",
                options.phaseSeconds, 1, 3600);
    line.number("--marks", "N", "marks to measure (default 125)", options.marks, 1, 100000);
    line.number("--startup-runs", "N", "start-up probes (default 5)", options.startupRuns, 1, 100);
    line.value("--samples", "FILE", "also write every measured mark and clock second to FILE",
               [&options](const std::string &path) {
                   options.samplesPath = path;
                   return path.empty() ? std::string("--samples needs a path") : std::string();
               });
    line.flag(kStartupProbeOption, {}, options.startupProbe);
    line.number(kBaselineOption, "SECONDS", {}, options.baselineSeconds, 1, 3600);
    line.epilogue("Exit status: 0 all targets met, 1 a target missed, 2 the run failed or a bad "
                  "option.");
    return line;
}

std::string phaseName(const char *name, const ProcessorMeter &meter)
{
    return std::string("Processor, ") + name + " ("
        + (meter.hasRun() ? withUnit(meter.wallSeconds(), 0, "s") : "not reached") + ")";
}

void addProcessor(Report &report, const char *name, const ProcessorMeter &meter)
{
    report.add(phaseName(name, meter),
               meter.hasRun() ? std::optional<double>(meter.percentOfCore()) : std::nullopt, 2,
               "% of a core", kProcessorTarget);
}

/// Median, 99th percentile (judged against `target`) and maximum of `values`, in ms.
void addMedianP99Maximum(Report &report, const std::string &what, const std::string &count,
                         const std::vector<double> &values, const Target &target)
{
    const std::optional<Summary> summary = summarize(values);
    report.add(what + ", median (" + count + ")",
               summary ? withUnit(summary->median, 3, "ms") : "none");
    report.add(what + ", 99th percentile",
               summary ? std::optional<double>(summary->p99) : std::nullopt, 3, "ms", target);
    report.add(what + ", maximum", summary ? withUnit(summary->maximum, 3, "ms") : "none");
}

/// The figures of the marks measured under one condition.
void addPulses(Report &report, const std::vector<ProgramProbe::Pulse> &pulses)
{
    std::vector<double> errors;
    std::vector<double> stampedErrors;
    for (const ProgramProbe::Pulse &pulse : pulses) {
        errors.push_back(markErrorMs(pulse.measuredSeconds));
        stampedErrors.push_back(std::abs(static_cast<double>(pulse.stampedNs) / kNsPerUs
                                         - nominalMarkMs(pulse.measuredSeconds) * 1000));
    }
    addMedianP99Maximum(report, "Mark length error", std::to_string(errors.size()) + " marks",
                        errors, kPulseErrorTarget);
    report.add("Marks measured 1 ms or more off", shareReaching(errors, 1.0));
    if (const std::optional<Summary> stamped = summarize(stampedErrors)) {
        report.note("Marks timed from the side to the microsecond (start and end writes): |error| "
                    "median "
                    + withUnit(stamped->median, 0, "us") + ", 99th percentile "
                    + withUnit(stamped->p99, 0, "us") + ", maximum "
                    + withUnit(stamped->maximum, 0, "us") + ".");
    }
}

/// The same figures without the program, taken by the plain reader.
void addBaseline(Report &report, const Baseline &baseline)
{
    std::vector<double> errors;
    for (const double lengthUs : baseline.markLengthsUs) {
        // Rounded to whole milliseconds as the program rounds its lengths.
        errors.push_back(markErrorMs(std::round(lengthUs / 1000.0) / 1000.0));
    }
    const std::optional<Summary> marks = summarize(errors);
    const std::optional<Summary> wakes = summarize(baseline.wakeLatenessMs);
    report.add("Without the program: marks 1 ms or more off", shareReaching(errors, 1.0));
    report.add("Without the program: mark error, 99th percentile",
               marks ? withUnit(marks->p99, 3, "ms") : "none");
    report.add("Without the program: wake-up late, 99th percentile ("
                   + std::to_string(baseline.wakeLatenessMs.size()) + ")",
               wakes ? withUnit(wakes->p99, 3, "ms") : "none");
}

void addClock(Report &report, const ProgramProbe &probe)
{
    addMedianP99Maximum(report, "Clock second shown late",
                        std::to_string(probe.secondsLate().size()) + " seconds",
                        probe.secondsLate(), kLatenessTarget);
}

void writeSamples(const std::string &path, const ProgramProbe &probe)
{
    std::ofstream out(path);
    out << "# mark <measured ms> <timed from the side, us>\n"
           "# second <second shown> <late, ms>\n";
    for (const ProgramProbe::Pulse &pulse : probe.pulses())
        out << "mark " << pulse.measuredSeconds * 1000 << ' '
            << static_cast<double>(pulse.stampedNs) / kNsPerUs << '\n';
    for (std::size_t index = 0; index < probe.secondsLate().size(); ++index)
        out << "second " << probe.secondsShown()[index] << ' ' << probe.secondsLate()[index]
            << '\n';
    if (!out)
        std::cerr << "dcf77-bench: cannot write " << path << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (const std::optional<int> status = commandLine(options).readOrExit(argc, argv))
        return *status;

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
    if (options.baselineSeconds > 0)
        return runBaseline(argc, argv, options.baselineSeconds);

    RunSettings settings;
    settings.phaseSeconds = options.phaseSeconds.value_or(options.quick ? 10 : 60);
    settings.marksWanted = options.marks.value_or(options.quick ? 20 : 125);
    // Quick: the sending receiver begins a few seconds before a minute mark.
    settings.firstSecond = options.quick ? 50 : 3;
    const int startupRuns = options.startupRuns.value_or(options.quick ? 3 : 5);

    QApplication application(argc, argv);
    dcf::prepareApplication();

    std::cerr << "dcf77-bench: start-up, " << startupRuns << " probes\n";
    QString failure;
    const std::vector<double> startup = measureStartup(startupRuns, failure);

    dcf::QtProgram bundle;
    bundle.program.start();
    if (failure.isEmpty() && !QTest::qWaitForWindowExposed(bundle.surface(bundle.program.frmDCF77)))
        failure = QStringLiteral("the main window was not exposed");

    BenchRun run(bundle, settings);
    if (failure.isEmpty() && !run.run())
        failure = run.failure();

    if (!options.samplesPath.empty())
        writeSamples(options.samplesPath, run.probe());

    Report report;
    addProcessor(report, "waiting for a receiver", run.waiting);
    addProcessor(report, "receiving", run.receiving);
    addProcessor(report, "running clock", run.clock);
    addPulses(report, run.probe().pulses());
    addClock(report, run.probe());
    addBaseline(report, run.baseline());
    const std::optional<Summary> startupSummary = summarize(startup);
    report.add("Start-up to main window exposed, median of " + std::to_string(startup.size()),
               startupSummary ? withUnit(startupSummary->median, 1, "ms") : "none");
    report.add("Peak memory (ru_maxrss)",
               withUnit(static_cast<double>(peakResidentKiB()) / kKiBPerMiB, 1, "MiB"));
    report.note("Whole machine busy (all processes, " + std::to_string(QThread::idealThreadCount())
                + " cores): waiting " + withUnit(run.waiting.machineBusyPercent(), 0, "%")
                + ", receiving " + withUnit(run.receiving.machineBusyPercent(), 0, "%")
                + ", running clock " + withUnit(run.clock.machineBusyPercent(), 0, "%") + ".");
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
