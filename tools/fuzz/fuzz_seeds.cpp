// dcf77-fuzz-seeds: the fuzzer's seed corpus, and its inputs run without the fuzzer.
//   --write DIR    writes the seeds: the simulator's signal (clean minutes, a leap second, summer
//                  time, a change of zone, every fault it injects) with the user's actions among
//                  it, and inputs beyond the simulator's schedule
//   --replay PATH  runs an input (or every input of a directory) through the session's checks

#include "fuzz_session.h"
#include "option_reading.h"
#include "platform/serial_port.h"
#include "schedule.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace dcf::fuzz {
namespace {

constexpr int64_t kUsPerMs = 1000;
constexpr int64_t kUsPerSecond = 1'000'000;
constexpr int64_t kUsPerMinute = 60 * kUsPerSecond;
/// Sending starts a little after Start has opened the port.
constexpr int64_t kSendingFromUs = 1'300 * kUsPerMs;

/// One seed: Start at 0, the simulated receiver from shortly after, and steps among it.
struct Seed
{
    std::string name;
    std::string firstSecond = "2026-12-05 14:36:57";
    int timeBase = 0;
    int64_t signalUs = 3 * kUsPerMinute;
    sim::SignalOptions signal;
    std::vector<Step> steps;

    Seed &act(int64_t atUs, Op op, int value = 0, std::string text = {})
    {
        steps.push_back({atUs, op, value, std::move(text)});
        return *this;
    }
    Seed &mark(int64_t atUs, int64_t lengthUs)
    {
        return act(atUs, Op::Character, '1').act(atUs + lengthUs, Op::Character, '0');
    }
};

std::vector<uint8_t> scriptOf(Seed seed)
{
    seed.signal.startUtc = sim::utcOf(seed.firstSecond);
    seed.signal.silenceAfterMs
        = std::min(seed.signal.silenceAfterMs.value_or(INT64_MAX), seed.signalUs / kUsPerMs);
    seed.act(0, Op::Start);
    sim::SignalSchedule schedule(seed.signal);
    while (const auto minute = schedule.nextMinute()) {
        for (const sim::Emission &emission : minute->emissions) {
            for (const char c : emission.characters)
                seed.act(kSendingFromUs + emission.atMs * kUsPerMs, Op::Character, c);
        }
    }
    std::stable_sort(seed.steps.begin(), seed.steps.end(),
                     [](const Step &a, const Step &b) { return a.atUs < b.atUs; });

    ScriptWriter writer(seed.timeBase);
    int64_t last = 0;
    for (const Step &step : seed.steps) {
        writer.write(step.atUs - last, step);
        last = step.atUs;
    }
    return writer.bytes();
}

std::vector<Seed> seeds()
{
    using sim::MarkFault;
    constexpr int64_t m = kUsPerMinute;
    constexpr int64_t s = kUsPerSecond;
    std::vector<Seed> all;
    const auto add = [&all](std::string name) -> Seed & {
        all.emplace_back().name = std::move(name);
        return all.back();
    };

    add("clean");
    add("clean-below-2-31").timeBase = 1;
    add("clean-below-2-32").timeBase = 2;
    Seed &midnight = add("summer-midnight").act(3 * m, Op::Wait);
    midnight.firstSecond = "2026-07-14 23:57:57";
    midnight.signalUs = 2 * m + 40 * s;
    add("zone-change-announced").firstSecond = "2026-10-25 02:57:57 CEST";
    add("winter-to-summer").firstSecond = "2026-03-29 01:57:57";
    Seed &leap = add("leap-second");
    leap.firstSecond = "2027-01-01 00:57:57";
    leap.signal.leapMinuteUtc = sim::utcOf("2027-01-01 00:59:00");
    add("call-bit").signal.callBit = true;
    add("jitter-20ms").signal.jitterMs = 20;
    add("jitter-60ms").signal.jitterMs = 60;
    add("noise").signal.noisePerSecond = 3;
    for (const auto &[name, kind] :
         {std::pair {"short", MarkFault::Short}, std::pair {"long", MarkFault::Long},
          std::pair {"missing", MarkFault::Missing}}) {
        // Inside the first collected minute, at its last mark, and at its first.
        for (const int second : {30, 61, 63})
            add(std::string(name) + "-mark-" + std::to_string(second)).signal.faults
                = {{second, kind}};
    }
    // The first gap found at once, the next one hidden by a lost mark: the gap after it closes
    // two minutes' pulses before the time-out.
    Seed &hidden = add("minute-gap-hidden");
    hidden.firstSecond = "2026-12-05 14:36:58";
    hidden.signal.faults = {{60, MarkFault::Missing}};
    Seed &lost = add("missing-marks-many");
    for (const int second : {10, 40, 80, 100, 150})
        lost.signal.faults.push_back({second, MarkFault::Missing});
    add("silence").signalUs = 40 * s;

    // The user among the marks.
    add("clock-hour-rolls").act(66 * m, Op::Wait).firstSecond = "2026-12-05 14:57:57";
    add("hide-and-back")
        .act(20 * s, Op::Hide)
        .act(25 * s, Op::Hsc1, 300)
        .act(26 * s, Op::Vsc1, 200)
        .act(100 * s, Op::ClockWindowClick)
        .act(150 * s, Op::Hide)
        .act(160 * s, Op::ClockWindowClose);
    add("exit-while-receiving").act(40 * s, Op::Exit);
    add("exit-while-clock-runs").act(150 * s, Op::MainWindowClose);
    add("start-again").act(30 * s, Op::Start).act(140 * s, Op::Start).act(140 * s, Op::Start);
    add("placement")
        .act(5 * s, Op::HScroll1, -3000)
        .act(6 * s, Op::VScroll1, 3000)
        .act(7 * s, Op::TypeLeft, 0, "12abc")
        .act(8 * s, Op::TypeTop, 0, " 2 880")
        .act(9 * s, Op::TypeLeft, 0, "1,5")
        .act(10 * s, Op::TypeTop, 0, "-1e308")
        .act(11 * s, Op::PointerMove);
    add("port-texts")
        .act(2 * s, Op::TypeComPort, 0, "abc")
        .act(3 * s, Op::Start)
        .act(4 * s, Op::TypeComPort, 0, "99999")
        .act(5 * s, Op::Start)
        .act(6 * s, Op::TypeComPort, 0, " /dev/ttyUSB0 ")
        .act(7 * s, Op::Start);
    add("device-vanishes")
        .act(50 * s, Op::DeviceVanishes, static_cast<int>(PortFault::NoSuchDevice))
        .act(55 * s, Op::Start)
        .act(60 * s, Op::DeviceReturns)
        .act(61 * s, Op::Start);
    add("bit-boxes").act(90 * s, Op::BitBoxClick, 59).act(91 * s, Op::BitBoxClick, 30);

    // Beyond what the simulator's schedule sends: a flood of random bytes at the line's speed,
    // more pulses than the pulse tables hold, and lengths and gaps a microsecond either side of
    // each limit.
    Seed &flood = add("flood");
    sim::Random random(1);
    for (int k = 0; k < 2000; ++k)
        flood.act(20 * s + k * 260, Op::Character, static_cast<int>(random.uniform(0, 255)));
    Seed &many = add("more-pulses-than-the-tables-hold");
    many.signalUs = 0;
    for (int k = 0; k < 160; ++k)
        many.mark(2 * s + k * 700'000, 100'000);
    Seed &limits = add("limits-to-the-microsecond");
    limits.signalUs = 0;
    int64_t at = 2 * s;
    for (const int64_t length :
         {29'999, 30'000, 30'001, 149'999, 150'000, 150'001, 249'999, 250'000, 250'001}) {
        limits.mark(at, length);
        at += s;
    }
    for (const int64_t gap : {1'499'999, 1'500'000, 1'500'001, 2'499'999, 2'500'000, 2'500'001}) {
        limits.mark(at, 100'000);
        at += gap;
    }
    return all;
}

int write(const std::string &directory)
{
    for (const Seed &seed : seeds()) {
        const std::vector<uint8_t> bytes = scriptOf(seed);
        std::ofstream out(directory + "/" + seed.name, std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::cerr << "cannot write " << directory << "/" << seed.name << "\n";
            return 1;
        }
    }
    return 0;
}

int replay(const std::vector<std::string> &paths)
{
    std::vector<std::filesystem::path> files;
    for (const std::filesystem::path path : paths) {
        if (!std::filesystem::is_directory(path))
            files.push_back(path);
        else
            std::ranges::copy(std::filesystem::directory_iterator(path), std::back_inserter(files));
    }
    std::ranges::sort(files);
    for (const auto &file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes {std::istreambuf_iterator<char>(in), {}};
        if (!in.good() && !in.eof()) {
            std::cerr << "cannot read " << file.string() << "\n";
            return 1;
        }
        const SessionSummary summary = runSession(readScript(bytes));
        std::cout << file.string() << ": " << bytes.size() << " bytes, " << summary.decodes
                  << " decodes, " << summary.clockMinutes << " clock minutes"
                  << (summary.ended ? ", Exit" : "") << "\n";
    }
    return files.empty() ? 1 : 0;
}

} // namespace
} // namespace dcf::fuzz

int main(int argc, char **argv)
{
    std::string seedsDirectory;
    std::vector<std::string> inputs;
    enum Key : int { kWrite = 256, kReplay };
    const option options[] = {
        {"help", no_argument, nullptr, 'h'},
        {"write", required_argument, nullptr, kWrite},
        {"replay", required_argument, nullptr, kReplay},
        {nullptr, 0, nullptr, 0},
    };
    const dcf::tools::Reading reading
        = dcf::tools::readOptions(argc, argv, options, [&](int key, const std::string &) {
              if (key == kWrite)
                  seedsDirectory = optarg;
              else
                  inputs.push_back(optarg);
              return std::string();
          });
    if (const std::optional<int> status = dcf::tools::exitFor(
            reading, "dcf77-fuzz-seeds", R"(Usage: dcf77-fuzz-seeds --write DIR | --replay PATH...
The fuzzer's seed corpus, and its inputs run without the fuzzer.

  -h, --help              show this text and exit
  --write DIR             write the seeds into DIR
  --replay PATH           run an input, or every input of a directory, through the checks
)"))
        return *status;
    if (seedsDirectory.empty() == inputs.empty())
        return dcf::tools::refuse("dcf77-fuzz-seeds", "give either --write or --replay");
    return inputs.empty() ? dcf::fuzz::write(seedsDirectory) : dcf::fuzz::replay(inputs);
}
