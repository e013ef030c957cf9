// The Qt platform services on their own: the time base sleeps in the operating system until its
// deadline, a wait for activity wakes for a posted event, and no fault escapes a reaction.

#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_time_base.h"
#include "platform/qt/reaction_guard.h"

#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace dcf {
namespace {

TEST(QtTimeBase, SleepsEndNoEarlierThanTheirDeadline)
{
    QtTimeBase time;
    const int64_t start = time.milliseconds();
    time.sleepUntil(start + 30);
    EXPECT_GE(time.milliseconds(), start + 30);

    const int64_t before = time.milliseconds();
    time.sleep(20);
    EXPECT_GE(time.milliseconds(), before + 20);
    // Deadlines in the past and empty sleeps return without waiting for anything.
    time.sleepUntil(-5);
    time.sleep(-10);
}

TEST(QtEventLoop, AWaitReturnsOnceSomethingHasArrivedAndBeenHandled)
{
    QtEventLoop events;
    QObject context;
    bool delivered = false;
    QTimer::singleShot(0, &context, [&] { delivered = true; });
    events.waitForActivity();
    // One wait may return after other pending events first; the posted one follows at once.
    events.processPendingEvents();
    EXPECT_TRUE(delivered);
}

TEST(ReactionGuard, NothingEscapes)
{
    EXPECT_NO_THROW(runGuarded([] { throw 7; }));
    EXPECT_NO_THROW(runGuarded([] { throw std::logic_error("x"); }));
}

} // namespace
} // namespace dcf
