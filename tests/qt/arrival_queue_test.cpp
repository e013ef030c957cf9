// The hand-over between the serial reader thread and the window thread: bounded, the window
// thread woken only when it may be waiting, a stalled reader told to read on once there is room,
// and a failed device reads as nothing.

#include "platform/qt/arrival_queue.h"

#include <gtest/gtest.h>

namespace dcf {
namespace {

TEST(ArrivalQueue, HandsOverInOrderWithTheFirstArrivalAndWakesOnlyWhenEmpty)
{
    ArrivalQueue queue(8);
    EXPECT_TRUE(queue.put("10", 5000));
    EXPECT_FALSE(queue.put("1", 7000)) << "the window thread has not emptied it yet";

    const ArrivalQueue::Taken first = queue.take(1);
    EXPECT_EQ(first.input.characters, "1");
    EXPECT_EQ(first.input.arrivalMicroseconds, 5000);
    const ArrivalQueue::Taken rest = queue.take(5);
    EXPECT_EQ(rest.input.characters, "01");
    EXPECT_EQ(rest.input.arrivalMicroseconds, 5000);
    EXPECT_TRUE(queue.take(1).input.characters.empty());
    EXPECT_TRUE(queue.put("0", 9000)) << "empty again: the window thread may be waiting";
}

TEST(ArrivalQueue, AFullQueueStallsTheReaderUntilHalfOfItIsRead)
{
    ArrivalQueue queue(4);
    EXPECT_EQ(queue.roomOrStall(), 4u);
    queue.put("123456", 1);
    EXPECT_EQ(queue.roomOrStall(), 0u) << "what does not fit waits in the driver";

    EXPECT_FALSE(queue.take(1).resumeReader);
    EXPECT_TRUE(queue.take(1).resumeReader);
    EXPECT_FALSE(queue.take(1).resumeReader) << "told once";
    EXPECT_EQ(queue.take(9).input.characters, "4");
}

TEST(ArrivalQueue, AFailedDeviceReadsAsNothingUntilTheNextOpen)
{
    ArrivalQueue queue(4);
    queue.put("10", 1);
    EXPECT_TRUE(queue.fail("weg"));
    EXPECT_FALSE(queue.fail("später")) << "the window thread has been told already";
    EXPECT_TRUE(queue.hasFailed());
    EXPECT_EQ(queue.failure(), "weg");
    EXPECT_TRUE(queue.take(1).input.characters.empty());

    queue.clear();
    EXPECT_FALSE(queue.hasFailed());
    EXPECT_TRUE(queue.put("1", 2));
    EXPECT_EQ(queue.take(1).input.characters, "1");
}

} // namespace
} // namespace dcf
