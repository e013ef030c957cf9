// A real receiver on a real port, opt-in: set DCF77_TEST_PORT to its device and
// DCF77_TEST_RECEIVER to its kind (characters, dcd, cts, dsr, ri, rxd50) or "auto" to have it
// recognised; otherwise the test is skipped. It needs a receiver with reception: within twenty
// seconds the kind must be known and the marks must come as a receiver sends them.

#include "platform/serial/serial_service.h"
#include "printers.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace dcf {
namespace {

using namespace std::chrono_literals;

TEST(Hardware, AReceiverOnARealPortGivesItsMarks)
{
    const char *port = std::getenv("DCF77_TEST_PORT");
    const char *receiver = std::getenv("DCF77_TEST_RECEIVER");
    if (!port || !receiver)
        GTEST_SKIP() << "set DCF77_TEST_PORT and DCF77_TEST_RECEIVER to test a real receiver";
    ReceiverChoice choice;
    if (std::string(receiver) != "auto") {
        choice.kind = receiverKindNamed(receiver);
        ASSERT_TRUE(choice.kind) << "DCF77_TEST_RECEIVER: no kind " << receiver;
    }

    SerialService service;
    ASSERT_EQ(service.open(port, choice), std::nullopt);
    std::vector<Edge> edges;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline && !service.failure()) {
        while (const std::optional<Arrival> arrival = service.read()) {
            if (arrival->character == '1' || arrival->character == '0')
                edges.push_back({arrival->character == '1', arrival->stampMicroseconds});
        }
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_FALSE(service.failure());
    ASSERT_TRUE(service.kind()) << "not recognised";
    EXPECT_TRUE(!choice.kind || service.kind() == choice.kind) << "another kind recognised";

    // Marks of 50 to 300 ms, each beginning about a second (or two, at the minute mark) after the
    // one before.
    int marks = 0;
    for (std::size_t i = 1; i + 1 < edges.size(); ++i) {
        if (!edges[i].markBegins || edges[i + 1].markBegins)
            continue;
        const int64_t length = edges[i + 1].stampMicroseconds - edges[i].stampMicroseconds;
        EXPECT_TRUE(length >= 50'000 && length <= 300'000) << "mark " << i << ": " << length;
        ++marks;
    }
    EXPECT_GE(marks, 10) << "a receiver without reception, or the marks are lost";
}

} // namespace
} // namespace dcf
