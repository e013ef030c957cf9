#pragma once

// The loads that the benchmark puts on the program besides a quiet machine: its window thread kept
// busy (what a slow desktop and slow reactions do), and all processors kept busy by processes
// that spin (what other work on the machine does). The benchmark starts and stops both itself.

#include "random.h"

#include <QPointer>
#include <QProcess>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

class QWidget;

namespace dcf::bench {

/// Repaints a window at every pass of the window thread's event processing, and holds the thread
/// for a while at random moments, as a slow reaction would.
class WindowLoad
{
public:
    WindowLoad();

    void start(QWidget *window);
    void stop();
    /// How often the window thread was held so far.
    int holds() const { return m_holds; }

    static constexpr int kHoldMs = 30;

private:
    void scheduleHold();

    QTimer m_repaint;
    QTimer m_hold;
    QPointer<QWidget> m_window;
    /// Fixed, so that every run holds the thread on the same schedule.
    sim::Random m_random {77};
    int m_holds = 0;
};

/// One spinning shell per processor.
class ProcessorLoad
{
public:
    ProcessorLoad() = default;
    ~ProcessorLoad();
    ProcessorLoad(const ProcessorLoad &) = delete;
    ProcessorLoad &operator=(const ProcessorLoad &) = delete;

    /// Starts `processes` spinners that end by themselves after `longestSeconds` at the latest.
    /// On failure stops those started and returns why; else the empty text.
    QString start(int processes, int longestSeconds);
    void stop();

private:
    std::vector<std::unique_ptr<QProcess>> m_spinners;
};

} // namespace dcf::bench
