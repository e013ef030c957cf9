#pragma once

// A termination signal (SIGTERM from a session manager or `kill`, SIGINT from a terminal, SIGHUP
// when the terminal goes away) ends the program as Exit does. The signal handler itself only
// writes one byte into a socket pair, which is safe in a handler; the event loop reads it and
// makes the call, so no Qt function ever runs inside the handler.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace dcf {

class TerminationSignals final : public QObject
{
public:
    /// Handles the signals from now on; `onSignal` runs in the event loop after each one.
    explicit TerminationSignals(std::function<void()> onSignal);
    /// Gives the signals back to their default handling.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

private:
    std::function<void()> m_onSignal;
    int m_sockets[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace dcf
