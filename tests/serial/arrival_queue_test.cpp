// The hand-over from the serial reader thread to the window thread: bounded, a stalled reader told
// once to read on when half is read, what does not fit dropped, and a failed port reads as nothing
// until it is opened again.

#include "platform/serial/arrival_queue.h"

#include <gtest/gtest.h>
#include <vector>

namespace dcf::serial {
namespace {

std::vector<Arrival> arrivals(std::string_view characters, int64_t stamp)
{
    std::vector<Arrival> result;
    for (const char c : characters)
        result.push_back({c, stamp++});
    return result;
}

TEST(ArrivalQueue, StallsTheReaderWhileFullAndWakesTheWindowThreadOnlyWhenEmpty)
{
    ArrivalQueue queue(4);
    EXPECT_TRUE(queue.put(arrivals("10", 5000)));
    EXPECT_FALSE(queue.put(arrivals("1011", 7000)))
        << "not empty: the window thread has not waited";
    EXPECT_EQ(queue.roomOrStall(), 0u);

    const ArrivalQueue::Taken first = queue.take();
    EXPECT_EQ(first.arrival, (Arrival {'1', 5000}));
    EXPECT_FALSE(first.resumeReader);
    EXPECT_TRUE(queue.take().resumeReader);
    EXPECT_EQ(queue.take().arrival, (Arrival {'1', 7000}));
    const ArrivalQueue::Taken last = queue.take();
    EXPECT_EQ(last.arrival, (Arrival {'0', 7001})) << "what did not fit is dropped, not queued";
    EXPECT_FALSE(last.resumeReader) << "told once";
    EXPECT_FALSE(queue.take().arrival);
    EXPECT_TRUE(queue.put(arrivals("0", 9000)));
}

TEST(ArrivalQueue, AFailedPortReadsAsNothingUntilTheNextOpen)
{
    ArrivalQueue queue(4);
    queue.put(arrivals("10", 1));
    EXPECT_TRUE(queue.fail({PortFault::Vanished, 5, {}, {}}));
    EXPECT_FALSE(queue.fail({PortFault::Other, 9, {}, {}})) << "the window thread knows already";
    EXPECT_EQ(queue.failure(), (PortProblem {PortFault::Vanished, 5, {}, {}}));
    EXPECT_FALSE(queue.take().arrival);

    queue.clear();
    EXPECT_FALSE(queue.failure());
    queue.put(arrivals("1", 2));
    EXPECT_EQ(queue.take().arrival, (Arrival {'1', 2}));
}

} // namespace
} // namespace dcf::serial
