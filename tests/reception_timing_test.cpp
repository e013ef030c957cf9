// Pulse lengths from a clock finer than the millisecond: the length is rounded after the
// subtraction, so where the edges fall within their milliseconds does not change it.

#include "program/program.h"
#include "virtual_platform.h"

#include <gtest/gtest.h>
#include <map>

namespace dcf::testing {
namespace {

/// The virtual clock with a scripted sub-millisecond part at chosen milliseconds.
class FineTime final : public TimeBase
{
public:
    FineTime(VirtualTime &base, std::map<int64_t, int64_t> extraMicroseconds)
        : m_base(base)
        , m_extra(std::move(extraMicroseconds))
    { }

    int64_t milliseconds() const override { return m_base.milliseconds(); }
    int64_t microseconds() const override
    {
        const int64_t ms = m_base.milliseconds();
        const auto extra = m_extra.find(ms);
        return ms * 1000 + (extra == m_extra.end() ? 0 : extra->second);
    }
    void sleep(int64_t ms) override { m_base.sleep(ms); }
    void sleepUntil(int64_t deadline) override { m_base.sleepUntil(deadline); }

private:
    VirtualTime &m_base;
    std::map<int64_t, int64_t> m_extra;
};

TEST(PulseTiming, LengthIsRoundedFromTheFineStamps)
{
    const struct
    {
        int64_t startMs, startExtraUs, endMs, endExtraUs;
        double seconds;
    } table[] = {
        // Whole milliseconds would make these 101 and 99 ms.
        {1999, 900, 2100, 100, 0.100},
        {2000, 100, 2199, 900, 0.200},
        // Exact limits stay exact, so the strict comparisons still decide as before.
        {2000, 250, 2250, 250, 0.250},
    };
    for (const auto &c : table) {
        VirtualPlatform vp;
        FineTime time(vp.time, {{c.startMs, c.startExtraUs}, {c.endMs, c.endExtraUs}});
        Platform platform {vp.events, time, vp.serial, vp.desktop};
        Program program(platform);
        program.start();
        program.frmDCF77.txtComPort.setText("1");
        vp.serialAt(c.startMs, "1");
        vp.serialAt(c.endMs, "0");
        vp.endAt(c.endMs + 500);
        EXPECT_THROW(program.frmDCF77.cmdStart.click(), ScriptExhausted);
        EXPECT_EQ(program.g.PulsLaenge, c.seconds) << c.startMs << " to " << c.endMs;
    }
}

} // namespace
} // namespace dcf::testing
