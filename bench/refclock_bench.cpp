// dcf77-refclock-bench: the time service measured on the simulated receiver, as dcf77-refclock
// runs it (serial service, time service, chrony's socket), for ten minutes of samples by default.
// Prints each sample's time against the moment the simulator wrote its mark, the offsets from the
// true second, the first sample's delay from the first mark and the processor time, each against
// its target. scripts/bench-refclock runs it beside a private chronyd and adds chronyd's figures.
//   dcf77-sim (pty) -> serial service -> time service -> samples (and chronyd, with --chrony)

#include "figures.h"
#include "platform/serial/serial_service.h"
#include "sent_edges.h"
#include "timeservice/chrony_socket.h"
#include "timeservice/time_service.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <getopt.h>
#include <mutex>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using namespace dcf;
using namespace dcf::timeservice;

constexpr int64_t kSecondUs = 1'000'000;
constexpr double kMeanTargetMs = 0.3;
constexpr double kDeviationTargetMs = 0.1;
constexpr double kFirstSampleTargetSeconds = 180;
constexpr double kProcessorTargetPercent = 1;

/// Keeps every sample and passes it on to chronyd, if there is one.
class Recorder final : public SampleSink
{
public:
    explicit Recorder(ChronySocket *chrony)
        : m_chrony(chrony)
    { }
    bool send(const Sample &sample) override
    {
        samples.push_back(sample);
        if (m_chrony)
            m_chrony->send(sample);
        return true;
    }
    std::vector<Sample> samples;

private:
    ChronySocket *m_chrony;
};

/// The reader's edges into the time service, which the main thread polls too.
class Feed final : public EdgeListener
{
public:
    explicit Feed(TimeService &service)
        : m_service(service)
    { }
    void edge(const Edge &edge) override
    {
        const std::lock_guard lock(mutex);
        if (!firstEdgeUs)
            firstEdgeUs = edge.stampMicroseconds;
        m_service.edge(edge);
    }
    std::mutex mutex;
    std::optional<int64_t> firstEdgeUs;

private:
    TimeService &m_service;
};

double processorSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct MeanAndDeviation
{
    double mean = 0;
    double deviation = 0;
};

MeanAndDeviation meanAndDeviation(const std::vector<double> &values)
{
    double sum = 0;
    for (const double value : values)
        sum += value;
    const double mean = sum / static_cast<double>(values.size());
    double squares = 0;
    for (const double value : values)
        squares += (value - mean) * (value - mean);
    return {mean, std::sqrt(squares / static_cast<double>(values.size()))};
}

void verdict(const char *what, double value, const char *unit, bool met, const char *target)
{
    std::printf("  %-48s %9.4f %-3s %s (target %s)\n", what, value, unit, met ? "met" : "MISSED",
                target);
}

} // namespace

int main(int argc, char **argv)
{
    int minutes = 10;
    std::string chronySocket;
    const option options[] = {{"minutes", required_argument, nullptr, 'm'},
                              {"chrony", required_argument, nullptr, 'c'},
                              {"help", no_argument, nullptr, 'h'},
                              {nullptr, 0, nullptr, 0}};
    for (int option; (option = getopt_long(argc, argv, "h", options, nullptr)) != -1;) {
        if (option == 'm') {
            minutes = std::atoi(optarg);
        } else if (option == 'c') {
            chronySocket = optarg;
        } else {
            std::printf("Usage: dcf77-refclock-bench [--minutes N] [--chrony SOCKET]\n");
            return option == 'h' ? 0 : 2;
        }
    }
    if (minutes < 1) {
        std::fprintf(stderr, "dcf77-refclock-bench: --minutes must be 1 or more\n");
        return 2;
    }

    const std::filesystem::path work = std::filesystem::temp_directory_path()
        / ("dcf77-refclock-bench." + std::to_string(getpid()));
    std::filesystem::create_directories(work);
    const std::string device = work / "receiver";
    const std::string writes = work / "writes";
    std::vector<std::string> simArguments {DCF77_SIM_EXECUTABLE, "--link", device, "--log-writes",
                                           writes};
    std::vector<char *> simArgv;
    for (std::string &argument : simArguments)
        simArgv.push_back(argument.data());
    simArgv.push_back(nullptr);
    pid_t sim = 0;
    posix_spawn_file_actions_t quiet; // the device path it prints is known from --link
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned
        = posix_spawn(&sim, DCF77_SIM_EXECUTABLE, &quiet, nullptr, simArgv.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        std::fprintf(stderr, "dcf77-refclock-bench: cannot start the simulator\n");
        return 1;
    }
    while (!std::filesystem::exists(device))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    std::optional<ChronySocket> chrony;
    if (!chronySocket.empty())
        chrony.emplace(chronySocket,
                       [](const std::string &line) { std::printf("%s\n", line.c_str()); });
    Recorder recorder(chrony ? &*chrony : nullptr);
    SystemClocks clocks;
    TimeService service(clocks, recorder);
    Feed feed(service);
    SerialService serial;
    serial.setEdgeListener(&feed);
    if (const auto problem = serial.open(device, {.kind = ReceiverKind::Characters})) {
        std::fprintf(stderr, "dcf77-refclock-bench: cannot open the simulator's terminal\n");
        kill(sim, SIGTERM);
        return 1;
    }
    const double processorBefore = processorSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    std::printf("Measuring %d minutes of samples after the first (and up to three minutes before "
                "it)...\n",
                minutes);
    std::fflush(stdout);
    const int64_t deadlineUs = monotonicMicrosecondsNow() + (minutes + 4) * 60 * kSecondUs;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const std::lock_guard lock(feed.mutex);
        const int64_t now = monotonicMicrosecondsNow();
        service.poll(now);
        const auto &samples = recorder.samples;
        if ((!samples.empty()
             && samples.back().monotonicMicroseconds - samples.front().monotonicMicroseconds
                 >= minutes * 60 * kSecondUs)
            || now > deadlineUs)
            break;
    }
    const double processor = processorSeconds() - processorBefore;
    const double wall
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    serial.setEdgeListener(nullptr);
    serial.close();
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);

    const bench::SentEdges sent = bench::SentEdges::read(writes);
    std::filesystem::remove_all(work);
    const std::lock_guard lock(feed.mutex);
    const std::vector<Sample> &samples = recorder.samples;
    if (samples.empty() || sent.empty()) {
        std::printf("No samples: the time was never trusted.\n");
        return 1;
    }
    // Against the write: the last "1" written before the mark's stamp; its "0" came within 250 ms.
    std::vector<double> sinceWriteMs;
    std::vector<double> trueOffsetMs;
    for (const Sample &sample : samples) {
        const int64_t stamp = sample.monotonicMicroseconds;
        if (const auto mark = sent.markArrivedAt(stamp, stamp + 250'000))
            sinceWriteMs.push_back(mark->beginDeliveryMs);
        trueOffsetMs.push_back(
            static_cast<double>(sample.trueUtcSeconds * 1'000'000'000 - sample.systemNanoseconds)
            / 1e6);
    }
    const MeanAndDeviation delivery = meanAndDeviation(sinceWriteMs);
    const MeanAndDeviation offset = meanAndDeviation(trueOffsetMs);
    const double firstSampleSeconds
        = static_cast<double>(samples.front().monotonicMicroseconds - *feed.firstEdgeUs) / 1e6;
    const double percent = bench::percentOfCore(processor, wall);

    std::printf("%zu samples over %.1f minutes (%zu matched to the simulator's writes)\n",
                samples.size(),
                static_cast<double>(samples.back().monotonicMicroseconds
                                    - samples.front().monotonicMicroseconds)
                    / 60e6,
                sinceWriteMs.size());
    verdict("sample time after the simulator's write, mean", delivery.mean, "ms",
            std::abs(delivery.mean) <= kMeanTargetMs, "within 0.3 ms");
    verdict("sample time after the simulator's write, sd", delivery.deviation, "ms",
            delivery.deviation <= kDeviationTargetMs, "<= 0.1 ms");
    if (const auto summary = bench::summarize(sinceWriteMs)) {
        std::printf("  %-48s %9.4f ms (99th percentile %.4f ms, maximum %.4f ms)\n",
                    "sample time after the simulator's write, median", summary->median,
                    summary->p99, summary->maximum);
    }
    std::printf("  %-48s %9.4f ms (sd %.4f ms; the simulator's own lateness included)\n",
                "offset from the true second, mean", offset.mean, offset.deviation);
    verdict("first sample after the first mark", firstSampleSeconds, "s",
            firstSampleSeconds <= kFirstSampleTargetSeconds, "<= 180 s");
    verdict("processor time", percent, "%", percent < kProcessorTargetPercent, "< 1 % of a core");
    return 0;
}
