// dcf77-sim: a simulated DCF77 receiver module on a pseudo-terminal, so that the program can be
// tried and tested end to end through its real serial port without a receiver at hand.
//   options -> signal schedule -> sender (absolute monotonic timing) -> receiver line
//   -> pseudo-terminal, or the line board of its modem-status lines

#include "line_board.h"
#include "options.h"
#include "pseudo_terminal.h"
#include "receiver_line.h"
#include "schedule.h"
#include "sender.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onStopSignal(int)
{
    stopRequested = 1;
}

void installSignalHandlers()
{
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a signal must cut the current wait short
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char **argv)
{
    using namespace dcf::sim;

    Options options;
    if (const std::optional<int> status = dcf::tools::exitFor(
            readSimulatorOptions(argc, argv, options), "dcf77-sim", kSimulatorHelp))
        return *status;
    const ReceiverSettings &receiver = options.receiver;

    installSignalHandlers();
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> writeLog(nullptr, &std::fclose);
    if (!options.writeLogPath.empty()) {
        writeLog.reset(std::fopen(options.writeLogPath.c_str(), "w"));
        if (!writeLog) {
            std::cerr << "dcf77-sim: cannot write " << options.writeLogPath << ": "
                      << std::strerror(errno) << '\n';
            return 1;
        }
    }
    std::optional<PseudoTerminal> terminal;
    std::optional<DeviceLink> link;
    std::unique_ptr<dcf::modemlines::LineBoard> board;
    try {
        terminal.emplace();
        if (receiver.kind != dcf::ReceiverKind::Characters || receiver.neededPower != 0)
            board = dcf::modemlines::LineBoard::createFor(terminal->devicePath());
        if (!options.linkPath.empty())
            link.emplace(options.linkPath, terminal->devicePath());
    } catch (const std::exception &error) { // the terminal, its board or the link
        std::cerr << "dcf77-sim: " << error.what() << '\n';
        return 1;
    }
    std::cout << terminal->devicePath() << std::endl;

    const Anchor anchor = anchorToNextSecond();
    SignalSchedule schedule(signalFrom(options, options.startUtc.value_or(anchor.utcSecond)));
    SenderSettings settings;
    if (options.durationSeconds)
        settings.durationMs = *options.durationSeconds * 1000;
    settings.flood = options.flood;
    settings.seed = options.signal.seed;
    ReceiverLine receiverLine(*terminal, board.get(), receiver, writeLog.get());
    runSender(*terminal, receiverLine, anchor, schedule, settings, stopRequested);
    return 0;
}
