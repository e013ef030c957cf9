// The hand-over from the serial reader thread to the window thread: bounded, a stalled reader
// told once to read on when half is read, and a failed device reads as nothing until reopened.

#include "platform/qt/arrival_queue.h"
#include "printers.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace dcf {
namespace {

TEST(ArrivalQueue, StallsTheReaderWhileFullAndWakesTheWindowThreadOnlyWhenEmpty)
{
    ArrivalQueue queue(4);
    EXPECT_TRUE(queue.put("10", 5000));
    EXPECT_FALSE(queue.put("1011", 7000)) << "not empty: the window thread has not waited";
    EXPECT_EQ(queue.roomOrStall(), 0u) << "what does not fit waits in the driver";

    const ArrivalQueue::Taken first = queue.take(1);
    EXPECT_EQ(first.input.characters, "1");
    EXPECT_EQ(first.input.arrivalMicroseconds, 5000);
    EXPECT_FALSE(first.resumeReader);
    EXPECT_TRUE(queue.take(1).resumeReader);
    const ArrivalQueue::Taken rest = queue.take(9);
    EXPECT_EQ(rest.input.characters, "10");
    EXPECT_EQ(rest.input.arrivalMicroseconds, 7000);
    EXPECT_FALSE(rest.resumeReader) << "told once";
    EXPECT_TRUE(queue.put("0", 9000));
}

TEST(ArrivalQueue, AFailedDeviceReadsAsNothingUntilTheNextOpen)
{
    ArrivalQueue queue(4);
    queue.put("10", 1);
    const PortProblem unplugged {PortFault::Vanished, EIO};
    EXPECT_TRUE(queue.fail(unplugged));
    EXPECT_FALSE(queue.fail({PortFault::Vanished, ENXIO})) << "the window thread has been told";
    EXPECT_EQ(queue.failure(), unplugged);
    EXPECT_TRUE(queue.take(1).input.characters.empty());

    queue.clear();
    EXPECT_FALSE(queue.hasFailed());
    queue.put("1", 2);
    EXPECT_EQ(queue.take(1).input.characters, "1");
}

} // namespace
} // namespace dcf
