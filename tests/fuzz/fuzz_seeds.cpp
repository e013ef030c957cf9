// The fuzzer's seed corpus and its replay without the fuzzer:
//   fuzz_seeds write DIR      writes the seeds: the simulator's signal (clean minutes, a leap
//                             second, summer time, a change of zone, every fault it injects)
//                             with the user's actions among it
//   fuzz_seeds replay PATH... runs inputs (files, or every file of a directory) through the
//                             fuzzer's session and its checks

#include "fuzz_session.h"
#include "schedule.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace dcf::fuzz {
namespace {

constexpr int64_t kUsPerMs = 1000;
constexpr int64_t kUsPerSecond = 1'000'000;
constexpr int64_t kUsPerMinute = 60 * kUsPerSecond;

struct Timed
{
    int64_t atUs = 0;
    std::function<void(ScriptWriter &, int64_t gapUs)> write;
};

/// One seed: Start at 0, the simulated receiver from shortly after, and actions among it.
struct Seed
{
    std::string name;
    std::string firstSecond = "2026-12-05 14:36:57";
    int timeBase = 0;
    int64_t signalUs = 3 * kUsPerMinute;
    sim::SignalOptions signal;
    std::vector<Timed> actions;

    Seed &act(int64_t atUs, Op op, int value = 0)
    {
        actions.push_back({atUs, [op, value](ScriptWriter &w, int64_t gap) {
                               w.action(gap, op, value);
                           }});
        return *this;
    }
    Seed &mark(int64_t atUs, int64_t lengthUs)
    {
        for (const auto &[at, c] : {std::pair {atUs, '1'}, std::pair {atUs + lengthUs, '0'}})
            actions.push_back({at, [c](ScriptWriter &w, int64_t gap) {
                                   w.character(gap, c);
                               }});
        return *this;
    }
    Seed &type(int64_t atUs, Op op, std::string text)
    {
        actions.push_back({atUs, [op, text](ScriptWriter &w, int64_t gap) {
                               w.type(gap, op, text);
                           }});
        return *this;
    }
};

std::vector<uint8_t> scriptOf(Seed seed)
{
    const auto first = sim::parseLegalTime(seed.firstSecond);
    if (!first.utcSeconds)
        throw std::invalid_argument(first.error);
    seed.signal.startUtc = *first.utcSeconds;
    seed.signal.silenceAfterMs
        = std::min(seed.signal.silenceAfterMs.value_or(INT64_MAX), seed.signalUs / kUsPerMs);

    std::vector<Timed> timed = seed.actions;
    timed.push_back({0, [](ScriptWriter &w, int64_t gap) {
                         w.action(gap, Op::Start);
                     }});
    // Sending starts a little after the port has opened.
    constexpr int64_t kSendingFromUs = 1'300 * kUsPerMs;
    sim::SignalSource source(seed.signal);
    while (const auto emission = source.next()) {
        for (const char c : emission->characters) {
            timed.push_back(
                {kSendingFromUs + emission->atMs * kUsPerMs, [c](ScriptWriter &w, int64_t gap) {
                     w.character(gap, c);
                 }});
        }
    }
    std::stable_sort(timed.begin(), timed.end(),
                     [](const Timed &a, const Timed &b) { return a.atUs < b.atUs; });

    ScriptWriter writer(seed.timeBase);
    int64_t last = 0;
    for (const Timed &item : timed) {
        item.write(writer, item.atUs - last);
        last = item.atUs;
    }
    return writer.bytes();
}

sim::SignalOptions faulty(std::vector<sim::FaultAt> faults)
{
    sim::SignalOptions options;
    options.faults = std::move(faults);
    return options;
}

std::vector<Seed> seeds()
{
    using sim::MarkFault;
    constexpr int64_t m = kUsPerMinute;
    constexpr int64_t s = kUsPerSecond;
    std::vector<Seed> all;
    const auto add = [&all](std::string name) -> Seed & {
        all.push_back(Seed {});
        all.back().name = std::move(name);
        return all.back();
    };

    add("clean");
    add("clean-below-2-31").timeBase = 1;
    add("clean-below-2-32").timeBase = 2;
    add("summer-midnight").firstSecond = "2026-07-14 23:57:57";
    all.back().signalUs = 2 * m + 40 * s;
    all.back().act(3 * m, Op::Wait);
    add("zone-change-announced").firstSecond = "2026-10-25 02:57:57 CEST";
    add("winter-to-summer").firstSecond = "2026-03-29 01:57:57";
    Seed &leap = add("leap-second");
    leap.firstSecond = "2027-01-01 00:57:57";
    leap.signal.leapMinuteUtc = *sim::parseLegalTime("2027-01-01 00:59:00").utcSeconds;
    add("call-bit").signal.callBit = true;
    add("jitter-20ms").signal.jitterMs = 20;
    add("jitter-60ms").signal.jitterMs = 60;
    add("noise").signal.noisePerSecond = 3;
    for (const auto &[name, kind] :
         {std::pair {"short", MarkFault::Short}, std::pair {"long", MarkFault::Long},
          std::pair {"missing", MarkFault::Missing}}) {
        // Inside the first collected minute, at its last mark, and at its first.
        for (const int second : {30, 61, 63})
            add(std::string(name) + "-mark-" + std::to_string(second)).signal
                = faulty({{second, kind}});
    }
    add("missing-marks-many").signal = faulty({{10, MarkFault::Missing},
                                               {40, MarkFault::Missing},
                                               {80, MarkFault::Missing},
                                               {100, MarkFault::Missing},
                                               {150, MarkFault::Missing}});
    add("silence").signalUs = 40 * s;

    // The user among the marks.
    add("clock-hour-rolls").firstSecond = "2026-12-05 14:57:57";
    all.back().act(66 * m, Op::Wait);
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
        .type(7 * s, Op::TypeLeft, "12abc")
        .type(8 * s, Op::TypeTop, " 2 880")
        .type(9 * s, Op::TypeLeft, "1,5")
        .type(10 * s, Op::TypeTop, "-1e308")
        .act(11 * s, Op::PointerMove);
    add("port-texts")
        .type(2 * s, Op::TypeComPort, "abc")
        .act(3 * s, Op::Start)
        .type(4 * s, Op::TypeComPort, "99999")
        .act(5 * s, Op::Start)
        .type(6 * s, Op::TypeComPort, " /dev/ttyUSB0 ")
        .act(7 * s, Op::Start);
    add("device-vanishes")
        .act(50 * s, Op::DeviceVanishes)
        .act(55 * s, Op::Start)
        .act(60 * s, Op::DeviceReturns)
        .act(61 * s, Op::Start);
    add("bit-boxes").act(90 * s, Op::BitBoxClick, 59).act(91 * s, Op::BitBoxClick, 30);

    // Beyond what the simulator's schedule sends: a flood of random bytes at the line's speed,
    // more pulses than the pulse tables hold, and lengths and gaps a microsecond either side of
    // each limit.
    Seed &flood = add("flood");
    sim::Random random(1);
    for (int k = 0; k < 2000; ++k) {
        const char c = static_cast<char>(random.uniform(0, 255));
        flood.actions.push_back({20 * s + k * 260, [c](ScriptWriter &w, int64_t gap) {
                                     w.character(gap, c);
                                 }});
    }
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

std::vector<uint8_t> readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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

/// Files as given, and the files inside directories.
std::vector<std::string> inputFiles(const std::vector<std::string> &paths)
{
    std::vector<std::string> files;
    for (const std::string &path : paths) {
        if (!std::filesystem::is_directory(path)) {
            files.push_back(path);
            continue;
        }
        for (const auto &entry : std::filesystem::directory_iterator(path))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

int replay(const std::vector<std::string> &paths)
{
    for (const std::string &path : inputFiles(paths)) {
        const std::vector<uint8_t> bytes = readFile(path);
        const SessionSummary summary = runSession(readScript(bytes));
        std::cout << path << ": " << bytes.size() << " bytes, " << summary.decodes << " decodes, "
                  << summary.clockMinutes << " clock minutes" << (summary.ended ? ", Exit" : "")
                  << "\n";
    }
    return 0;
}

} // namespace
} // namespace dcf::fuzz

int main(int argc, char **argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 2 && arguments[0] == "write")
        return dcf::fuzz::write(arguments[1]);
    if (arguments.size() >= 2 && arguments[0] == "replay")
        return dcf::fuzz::replay({arguments.begin() + 1, arguments.end()});
    std::cerr << "usage: fuzz_seeds write DIR | fuzz_seeds replay FILE...\n";
    return 2;
}
