// Thirty days of a realistic receiver in virtual time: jittered marks, noise characters, bursts
// of spurious edges, lost marks, the receiver unplugged and back, Start pressed at random, and the
// running clock in between. Every decode must be the time that was sent; after every Start the
// first complete undisturbed minute must have been decoded by its end; the clock must keep the
// time between Starts; and the program's heap must stay flat.

#include "program/program.h"
#include "telegram.h"
#include "virtual_platform.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's runtime counts its own heap (GCC installs no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace dcf::testing {
namespace {

constexpr int64_t kSecond = 1000;
constexpr int64_t kMinute = 60 * kSecond;
constexpr int64_t kDay = 1440 * kMinute;
constexpr int kDays = 30;
constexpr int64_t kJitterMs = 15;
/// When the Start command can have opened the port at the latest: the press waits up to two
/// seconds for event processing (a clock step, or a reset's sleep), the reset sleeps one more.
constexpr int64_t kPortOpenAfterStart = 3500;

/// Live heap bytes, as the allocator in use counts them.
std::size_t liveHeapBytes()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

/// Everything the receiver and the user do, planned ahead from one seed so that the run is
/// repeatable and the plan's memory is in place before the heap is measured.
struct Plan
{
    /// The signal's minute n starts at minuteStart[n]; disturbed[n]: a burst or a lost mark.
    std::vector<int64_t> minuteStart;
    std::vector<int64_t> minuteUtc;
    std::vector<bool> disturbed;
    std::vector<int> lostMark; ///< second whose mark is lost, or -1
    std::vector<int64_t> burstAt; ///< offset into the minute of a burst, or -1
    std::vector<int64_t> starts;
    std::vector<std::pair<int64_t, int64_t>> unplugged;
    int64_t leapMinuteUtc = 0; ///< the minute with a 61st second
};

Plan makePlan(int64_t origin, std::mt19937_64 &random)
{
    Plan plan;
    const int64_t firstUtc = *sim::parseLegalTime("2026-03-20 09:00", false).utcSeconds - 3600;
    plan.leapMinuteUtc = *sim::parseLegalTime("2026-04-01 01:59", false).utcSeconds;
    const int64_t summerTimeUtc = *sim::parseLegalTime("2026-03-29 01:59", false).utcSeconds;
    const int minutes = kDays * 1440 + 10;
    std::bernoulli_distribution lose(0.08), burst(0.08);
    std::uniform_int_distribution<int> lostSecond(1, 57); // see markFor()
    std::uniform_int_distribution<int64_t> anywhere(0, kMinute - 1);
    int64_t at = origin + 20 * kSecond;
    for (int n = 0; n < minutes; ++n) {
        const int64_t utc = firstUtc + int64_t {n} * 60;
        plan.minuteStart.push_back(at);
        plan.minuteUtc.push_back(utc);
        plan.lostMark.push_back(lose(random) ? lostSecond(random) : -1);
        plan.burstAt.push_back(burst(random) ? anywhere(random) : -1);
        plan.disturbed.push_back(plan.lostMark.back() >= 0 || plan.burstAt.back() >= 0);
        at += (utc == plan.leapMinuteUtc ? 61 : 60) * kSecond;
        // Receptions across the change to summer time and across the leap second.
        if (utc == summerTimeUtc || utc == plan.leapMinuteUtc)
            plan.starts.push_back(at - 2 * kMinute);
    }

    // The receiver is unplugged now and then, for seconds to minutes.
    std::uniform_int_distribution<int64_t> when(kDay, (kDays - 1) * kDay);
    std::uniform_int_distribution<int64_t> howLong(10 * kSecond, 10 * kMinute);
    for (int k = 0; k < 6; ++k) {
        const int64_t from = origin + when(random);
        plan.unplugged.emplace_back(from, from + howLong(random));
    }
    std::sort(plan.unplugged.begin(), plan.unplugged.end());

    // Start: at random, hours apart, sometimes again during a reception, and after each unplug.
    std::exponential_distribution<double> hoursApart(1.0 / 3);
    std::bernoulli_distribution soonAgain(0.2);
    std::uniform_int_distribution<int64_t> fewSeconds(2 * kSecond, 150 * kSecond);
    // The receiver is on before the first Start: a reception that opens the port into silence
    // may meet its time-out before the second minute gap, and decode an incomplete minute.
    for (int64_t next = origin + 90 * kSecond; next < origin + kDays * kDay;) {
        plan.starts.push_back(next);
        if (soonAgain(random))
            plan.starts.push_back(next + fewSeconds(random));
        next += 10 * kSecond + static_cast<int64_t>(hoursApart(random) * 3600 * kSecond);
    }
    for (const auto &[from, to] : plan.unplugged) {
        plan.starts.push_back(from + fewSeconds(random)); // may find it still unplugged
        plan.starts.push_back(to + fewSeconds(random));
    }
    std::sort(plan.starts.begin(), plan.starts.end());
    for (std::size_t n = 0; n < plan.minuteStart.size(); ++n) {
        for (const auto &[from, to] : plan.unplugged) {
            if (from < plan.minuteStart[n] + 61 * kSecond && to > plan.minuteStart[n])
                plan.disturbed[n] = true;
        }
    }
    return plan;
}

class Soak : public WindowObserver
{
public:
    explicit Soak(int64_t origin)
        : m_origin(origin)
        , m_plan(makePlan(origin, m_random))
    {
        vp.time.advanceTo(origin);
        m_decodes.reserve(m_plan.starts.size() * 4);
    }

    struct Figures
    {
        int starts = 0;
        int attempts = 0;
        int decodes = 0;
        int startsChecked = 0;
        int clockChecks = 0;
        int messages = 0;
        std::size_t heapGrowth = 0;
        std::size_t heapPeak = 0;
    };

    Figures run()
    {
        program.start();
        program.frmDCF77.setObserver(this);
        program.frmZeit().setObserver(this); // and the fake desktop logs nothing
        program.frmDCF77.txtComPort.setText("1");
        for (std::size_t n = 0; n < 3; ++n)
            scheduleMinute(n);
        for (const int64_t at : m_plan.starts)
            vp.at(at, [this] { pressStart(); });
        for (const auto &[from, to] : m_plan.unplugged) {
            vp.at(from, [this] {
                vp.serial.openError = "Das Gerät ist nicht angeschlossen.";
                vp.serial.fail("Das Gerät wurde entfernt.");
            });
            vp.at(to, [this] { vp.serial.openError.clear(); });
        }
        const int64_t end = m_origin + kDays * kDay;
        vp.endAt(end);

        try {
            // The window system's own loop, for whenever no Start command is running.
            while (vp.now() < end && vp.nextScripted() >= 0) {
                vp.time.advanceTo(vp.nextScripted());
                vp.deliverDue();
            }
        } catch (const ScriptExhausted &) { }
        EXPECT_GE(vp.now(), end);
        checkStarts();
        m_figures.decodes = static_cast<int>(m_decodes.size());
        m_figures.messages = static_cast<int>(vp.desktop.messages.size());
        return m_figures;
    }

    void propertyChanged(const Control &control, Property property) override
    {
        if (property == Property::Text && control.name() == "txtZähl"
            && static_cast<const TextBox &>(control).text().empty())
            ++m_figures.attempts; // the reset empties the pulse count
        // Only the decoder writes "00" into the seconds label; the clock writes "ss.00".
        if (property == Property::Caption && control.name() == "lblA"
            && control.index() == MainWindow::kSecondsLabel
            && static_cast<const Label &>(control).caption() == "00")
            decoded();
    }

    VirtualPlatform vp;
    Program program {vp.platform()};

private:
    std::size_t nearestMinute(int64_t at) const
    {
        const auto after
            = std::lower_bound(m_plan.minuteStart.begin(), m_plan.minuteStart.end(), at);
        std::size_t n = static_cast<std::size_t>(after - m_plan.minuteStart.begin());
        if (n > 0
            && (n == m_plan.minuteStart.size()
                || at - m_plan.minuteStart[n - 1] < m_plan.minuteStart[n] - at))
            --n;
        return n;
    }

    /// The decoder has just stored its values: they must be those of the minute beginning now.
    void decoded()
    {
        const Global &g = program.g;
        const int64_t now = vp.now();
        const std::size_t n = nearestMinute(now);
        const sim::LegalTime sent = sim::legalTimeAt(m_plan.minuteUtc[n]);
        EXPECT_EQ(g.Stunde, sent.hour) << "decode at minute " << n;
        EXPECT_EQ(g.Minute, sent.minute) << "decode at minute " << n;
        EXPECT_EQ(g.Tag, sent.day) << "decode at minute " << n;
        EXPECT_EQ(g.Monat, sent.month) << "decode at minute " << n;
        EXPECT_EQ(g.Jahr, sent.year - 2000) << "decode at minute " << n;
        EXPECT_EQ(g.Wochentag, sent.weekday) << "decode at minute " << n;
        EXPECT_EQ(g.Zeitzone.str(), sent.zone == sim::Zone::CEST ? "Sommerzeit" : "Winterzeit");
        m_decodes.push_back(now);
        m_clockSince = now;
        m_clockHour = sent.hour;
        m_clockMinute = sent.minute;
    }

    /// Start, with a look at the running clock first: in virtual time it loses nothing, so it
    /// shows the decoded time plus the whole minutes since.
    void pressStart()
    {
        ++m_figures.starts;
        const int64_t now = vp.now();
        if (m_clockSince >= 0 && (now - m_clockSince) % kMinute > 100
            && (now - m_clockSince) % kMinute < kMinute - 100) {
            const int64_t minutes
                = m_clockHour * 60 + m_clockMinute + (now - m_clockSince) / kMinute;
            EXPECT_EQ(program.g.Stunde, minutes / 60 % 24) << "at " << now - m_origin;
            EXPECT_EQ(program.g.Minute, minutes % 60) << "at " << now - m_origin;
            ++m_figures.clockChecks;
        }
        m_clockSince = -1;
        program.frmDCF77.cmdStart.click();
    }

    /// The marks of minute n with their jitter and disturbances, and the next minute's planning
    /// a few seconds before it begins.
    void scheduleMinute(std::size_t n)
    {
        if (n + 1 >= m_plan.minuteStart.size())
            return;
        const int64_t begin = m_plan.minuteStart[n];
        vp.at(m_plan.minuteStart[n + 1] - 5 * kSecond, [this, n] { scheduleMinute(n + 3); });
        if (n % 1440 == 0)
            measureHeap(n / 1440);
        // The running clock reads nothing: a minute that ends before the next Start is left out
        // (the port would drop it), which keeps thirty days quick to run.
        if (m_clockSince >= 0) {
            while (!vp.serial.read().characters.empty()) { }
            const auto nextStart
                = std::lower_bound(m_plan.starts.begin(), m_plan.starts.end(), vp.now());
            if (nextStart == m_plan.starts.end() || *nextStart > m_plan.minuteStart[n + 1])
                return;
        }

        const sim::Telegram telegram
            = sim::telegramSentDuring(m_plan.minuteUtc[n], m_plan.leapMinuteUtc, false);
        std::uniform_int_distribution<int64_t> jitter(-kJitterMs, kJitterMs);
        std::uniform_int_distribution<int> noiseByte(0, 255);
        for (int second = 0; second < telegram.seconds; ++second) {
            if (!telegram.hasMark(second) || second == m_plan.lostMark[n])
                continue;
            const int64_t at = begin + second * kSecond;
            const int64_t length = telegram.bits[static_cast<std::size_t>(second)] ? 200 : 100;
            vp.serialAt(at + jitter(m_random), "1");
            vp.serialAt(at + length + jitter(m_random), "0");
            // Now and then a character that is no edge, as a receiver on a long cable sends.
            if (second % 7 == 3) {
                char noise = '0';
                while (noise == '0' || noise == '1')
                    noise = static_cast<char>(noiseByte(m_random));
                vp.serialAt(at + 500, std::string(1, noise));
            }
        }
        if (const int64_t burst = m_plan.burstAt[n]; burst >= 0) {
            // Spurious edges a few milliseconds apart, as interference produces them.
            std::uniform_int_distribution<int64_t> spacing(1, 9);
            int64_t at = begin + burst;
            for (int toggle = 0; toggle < 8; ++toggle) {
                vp.serialAt(at, toggle % 2 == 0 ? "1" : "0");
                at += spacing(m_random);
            }
        }
    }

    /// After every Start: the first minute that is undisturbed, follows an undisturbed minute
    /// and begins after the port has been opened, is decoded by the time it ends, unless
    /// another Start or an unplug comes first.
    void checkStarts()
    {
        for (std::size_t k = 0; k < m_plan.starts.size(); ++k) {
            const int64_t start = m_plan.starts[k];
            std::size_t n = 1;
            while (n + 1 < m_plan.minuteStart.size()
                   && (m_plan.minuteStart[n] - 2 * kSecond < start + kPortOpenAfterStart
                       || m_plan.disturbed[n - 1] || m_plan.disturbed[n]))
                ++n;
            if (n + 1 >= m_plan.minuteStart.size())
                continue;
            const int64_t due = m_plan.minuteStart[n + 1] + kSecond;
            const bool startedAgain = k + 1 < m_plan.starts.size() && m_plan.starts[k + 1] <= due;
            bool unplugged = false;
            for (const auto &[from, to] : m_plan.unplugged)
                unplugged = unplugged || (from <= due && to >= start);
            if (startedAgain || unplugged || due > m_origin + kDays * kDay)
                continue;
            const auto decode = std::upper_bound(m_decodes.begin(), m_decodes.end(), start);
            EXPECT_TRUE(decode != m_decodes.end() && *decode <= due)
                << "Start at " << start - m_origin << " ms: minute " << n << " not decoded";
            ++m_figures.startsChecked;
        }
    }

    /// Once a day, with the doubles' own logs emptied first.
    void measureHeap(std::size_t day)
    {
        forgetDoublesLogs();
        const std::size_t heap = liveHeapBytes();
        if (day == 1)
            m_heapAfterFirstDay = heap;
        m_figures.heapPeak = std::max(m_figures.heapPeak, heap);
        if (day > 1 && heap > m_heapAfterFirstDay)
            m_figures.heapGrowth = std::max(m_figures.heapGrowth, heap - m_heapAfterFirstDay);
    }

    void forgetDoublesLogs()
    {
        vp.desktop.drawn.clear();
        vp.time.sleeps.clear();
        vp.time.sleepsUntil.clear();
    }

    int64_t m_origin;
    std::mt19937_64 m_random {77};
    Plan m_plan;
    std::vector<int64_t> m_decodes;
    std::size_t m_heapAfterFirstDay = 0;
    int64_t m_clockSince = -1;
    int m_clockHour = 0;
    int m_clockMinute = 0;
    Figures m_figures;
};

class SoakTest : public ::testing::TestWithParam<int64_t>
{
};

TEST_P(SoakTest, ThirtyDaysOfReceptionAndClock)
{
    const auto began = std::chrono::steady_clock::now();
    Soak soak(GetParam());
    const Soak::Figures figures = soak.run();
    const double seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("soak from %lld ms: %d Starts (%d checked), %d attempts, %d minutes decoded, "
                "%d clock checks, %d messages; heap peak %zu bytes, growth after day 1 %zu "
                "bytes; %.1f s\n",
                static_cast<long long>(GetParam()), figures.starts, figures.startsChecked,
                figures.attempts, figures.decodes, figures.clockChecks, figures.messages,
                figures.heapPeak, figures.heapGrowth, seconds);
    EXPECT_GT(figures.startsChecked, 100);
    EXPECT_LT(figures.heapGrowth, 64u * 1024);
}

// Just below the points where a 32-bit millisecond count turns negative and wraps; thirty days
// from the first pass both.
INSTANTIATE_TEST_SUITE_P(TimeBase, SoakTest,
                         ::testing::Values((int64_t {1} << 31) - 3'600'000,
                                           (int64_t {1} << 32) - 3'600'000));

} // namespace
} // namespace dcf::testing
