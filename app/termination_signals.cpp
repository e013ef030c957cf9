#include "app/termination_signals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dcf {

namespace {

constexpr std::array kSignals {SIGTERM, SIGINT, SIGHUP};

/// Where the handler writes; a handler can reach nothing but such a plain value.
volatile std::sig_atomic_t signalSocket = -1;

extern "C" void onTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // Nothing to do if the socket is full: an earlier signal is still waiting to be handled.
    [[maybe_unused]] const ssize_t written = ::write(signalSocket, &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : m_onSignal(std::move(onSignal))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_sockets) != 0)
        return; // the signals keep their default effect: the program ends at once
    ::fcntl(m_sockets[0], F_SETFL, O_NONBLOCK);
    ::fcntl(m_sockets[1], F_SETFL, O_NONBLOCK);
    signalSocket = m_sockets[1];

    m_notifier = new QSocketNotifier(m_sockets[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(m_sockets[0], bytes, sizeof bytes) > 0) { }
        m_onSignal();
    });

    struct sigaction action
    {
    };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (m_notifier == nullptr)
        return;
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);
    signalSocket = -1;
    delete m_notifier;
    ::close(m_sockets[0]);
    ::close(m_sockets[1]);
}

} // namespace dcf
