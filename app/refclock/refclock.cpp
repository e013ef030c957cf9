#include "app/refclock/refclock.h"

#include "platform/serial/serial_service.h"
#include "timeservice/chrony_feed.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>

namespace dcf::refclock {

namespace {

constexpr int kReopenSeconds = 5;

/// Lines come from the feed's thread and from the main thread.
class Output
{
public:
    void line(const std::string &text)
    {
        const std::lock_guard lock(m_mutex);
        std::fputs((text + "\n").c_str(), stdout);
        std::fflush(stdout);
    }

private:
    std::mutex m_mutex;
};

} // namespace

std::string portProblemText(const PortProblem &problem)
{
    switch (problem.cause) {
    case PortFault::NoAccess:
        if (!problem.group.empty())
            return "no permission; the device belongs to the group " + problem.group
                + ", which the user running dcf77-refclock must be in";
        return "no permission";
    case PortFault::NoSuchDevice:
        return "no such device";
    case PortFault::InUse:
        return "another program is using it";
    case PortFault::NotASerialPort:
        return "not a serial port";
    case PortFault::NoModemLines:
        return "the port has no modem-status lines for this receiver";
    case PortFault::Vanished:
        return "the device went away";
    case PortFault::Other:
        break;
    }
    return problem.systemError != 0 ? std::strerror(problem.systemError) : "cannot be read";
}

int runRefclock(const RefclockOptions &options, const sigset_t &stopSignals)
{
    Output output;
    timeservice::ChronyFeed feed(options.chronySocket,
                                 [&output](const std::string &text) { output.line(text); });
    SerialService serial;
    serial.setEdgeListener(&feed);

    bool open = false;
    std::optional<PortProblem> lastProblem;
    int secondsToReopen = 0;
    const timespec oneSecond {.tv_sec = 1, .tv_nsec = 0};
    for (;;) {
        if (open) {
            if (const std::optional<PortProblem> failure = serial.failure()) {
                output.line(options.port + ": " + portProblemText(*failure)
                            + "; trying again every " + std::to_string(kReopenSeconds) + " s");
                serial.close();
                open = false;
                lastProblem = failure;
                secondsToReopen = kReopenSeconds;
            }
            // Nothing reads the window thread's queue here; the edges go to the feed.
            while (serial.read()) { }
        } else if (--secondsToReopen <= 0) {
            const std::optional<PortProblem> problem = serial.open(options.port, options.receiver);
            if (!problem) {
                open = true;
                lastProblem.reset();
                output.line("Reading the receiver on " + options.port);
            } else {
                if (problem != lastProblem)
                    output.line(options.port + ": " + portProblemText(*problem)
                                + "; trying again every " + std::to_string(kReopenSeconds) + " s");
                lastProblem = problem;
                secondsToReopen = kReopenSeconds;
            }
        }
        const int signal = sigtimedwait(&stopSignals, nullptr, &oneSecond);
        if (signal > 0)
            break;
    }
    serial.setEdgeListener(nullptr);
    serial.close();
    return 0;
}

} // namespace dcf::refclock
