// dcf77-sim: a simulated DCF77 receiver module on a pseudo-terminal, so that the program can be
// tried and tested end to end through its real serial port without a receiver at hand.
//   options -> signal schedule (or a recording) -> sender (absolute monotonic timing) -> pty

#include "options.h"
#include "pseudo_terminal.h"
#include "replay.h"
#include "schedule.h"
#include "sender.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

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

    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const OptionsOrError parsed = parseOptions(arguments);
    if (!parsed.options) {
        std::cerr << "dcf77-sim: " << parsed.error << '\n';
        return kExitBadUsage;
    }
    const Options &options = *parsed.options;
    if (options.help) {
        std::cout << helpText();
        return 0;
    }

    std::vector<Emission> recording;
    if (options.replayPath) {
        try {
            recording = loadReplay(*options.replayPath);
        } catch (const ReplayError &error) {
            std::cerr << "dcf77-sim: " << error.what() << '\n';
            return kExitBadUsage;
        }
    }

    installSignalHandlers();
    std::optional<PseudoTerminal> terminal;
    std::optional<DeviceLink> link;
    try {
        terminal.emplace();
        if (options.linkPath)
            link.emplace(*options.linkPath, terminal->devicePath());
    } catch (const std::system_error &error) {
        std::cerr << "dcf77-sim: " << error.what() << '\n';
        return 1;
    }
    std::cout << terminal->devicePath() << std::endl;

    const Anchor anchor = anchorToNextSecond();
    EmissionSource source;
    if (options.replayPath) {
        source = [&recording, next = std::size_t {0},
                  silence = options.silenceAfterSeconds]() mutable -> std::optional<Emission> {
            if (next >= recording.size() || (silence && recording[next].atMs >= *silence * 1000)) {
                return std::nullopt;
            }
            return recording[next++];
        };
    } else {
        auto signal = std::make_shared<SignalSource>(
            signalOptionsFor(options, options.startUtc.value_or(anchor.utcSecond)));
        source = [signal] {
            return signal->next();
        };
    }

    SenderSettings settings;
    if (options.durationSeconds)
        settings.durationMs = *options.durationSeconds * 1000;
    settings.flood = options.flood;
    settings.seed = options.seed;
    settings.log = options.verbose ? &std::cerr : nullptr;
    runSender(*terminal, anchor, source, settings, stopRequested);
    return 0;
}
