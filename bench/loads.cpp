#include "loads.h"

#include <QWidget>
#include <chrono>
#include <csignal>
#include <thread>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace dcf::bench {

namespace {

/// Gaps between two holds: a second on average.
constexpr int kShortestGapMs = 200;
constexpr int kLongestGapMs = 1800;
constexpr int kSpinnerStartMs = 10000;

} // namespace

WindowLoad::WindowLoad()
{
    // A zero interval fires at every pass of the event processing; painting at once (not at
    // the next pass) keeps the thread painting whenever it processes events.
    m_repaint.setInterval(0);
    QObject::connect(&m_repaint, &QTimer::timeout, &m_repaint, [this] {
        if (m_window)
            m_window->repaint();
    });
    m_hold.setSingleShot(true);
    QObject::connect(&m_hold, &QTimer::timeout, &m_hold, [this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kHoldMs));
        ++m_holds;
        scheduleHold();
    });
}

void WindowLoad::start(QWidget *window)
{
    m_window = window;
    m_repaint.start();
    scheduleHold();
}

void WindowLoad::stop()
{
    m_repaint.stop();
    m_hold.stop();
}

void WindowLoad::scheduleHold()
{
    m_hold.start(static_cast<int>(m_random.uniform(kShortestGapMs, kLongestGapMs)));
}

ProcessorLoad::~ProcessorLoad()
{
    stop();
}

QString ProcessorLoad::start(int processes, int longestSeconds)
{
    for (int index = 0; index < processes; ++index) {
        auto spinner = std::make_unique<QProcess>();
        spinner->setProcessChannelMode(QProcess::ForwardedChannels);
#ifdef __linux__
        // Never outlives the benchmark, also when that is killed.
        spinner->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
        spinner->start(
            QStringLiteral("bash"),
            {QStringLiteral("-c"),
             QStringLiteral("while [ $SECONDS -lt %1 ]; do :; done").arg(longestSeconds)});
        const bool started = spinner->waitForStarted(kSpinnerStartMs);
        m_spinners.push_back(std::move(spinner));
        if (!started) {
            const QString why = m_spinners.back()->errorString();
            stop();
            return QStringLiteral("a spinning process did not start: ") + why;
        }
    }
    return {};
}

void ProcessorLoad::stop()
{
    for (const std::unique_ptr<QProcess> &spinner : m_spinners) {
        spinner->kill();
        spinner->waitForFinished();
    }
    m_spinners.clear();
}

} // namespace dcf::bench
