// dcf77-refclock: the time service without any window, for a server. It keeps the computer's
// clock by the DCF77 receiver through chronyd, and says what it does once a minute.
//   command line -> serial service -> time service -> chronyd's SOCK reference clock

#include "app/refclock/refclock.h"
#include "app/refclock/refclock_options.h"

#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char **argv)
{
    using namespace dcf::refclock;
    const RefclockCommandLine line
        = readRefclockCommandLine(std::vector<std::string>(argv, argv + argc));
    if (!line.run) {
        std::fputs(line.output.c_str(), stdout);
        std::fputs(line.error.c_str(), stderr);
        return line.exitStatus;
    }
    // Blocked before any thread starts, so that only the main thread's wait takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&stopSignals, signal);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return runRefclock(line.options, stopSignals);
}
