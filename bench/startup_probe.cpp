#include "startup_probe.h"

#include "app/qt_program.h"
#include "process_usage.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>

namespace dcf::bench {

namespace {

constexpr int kProbeTimeoutMs = 20000;
constexpr double kNsPerMs = 1e6;

} // namespace

int runStartupProbe(int argc, char **argv)
{
    QApplication application(argc, argv);
    prepareApplication();
    QtProgram bundle;
    bundle.program.start();

    QWidget *surface = bundle.surface(bundle.program.mainWindow());
    QWindow *window = surface ? surface->windowHandle() : nullptr;
    if (!window)
        return 1;
    bool gaveUp = false;
    QTimer::singleShot(kProbeTimeoutMs, &application, [&gaveUp] { gaveUp = true; });
    while (!window->isExposed() && !gaveUp)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (gaveUp)
        return 1;
    std::printf("%lld\n", static_cast<long long>(monotonicNs()));
    return 0;
}

std::vector<double> measureStartup(int runs, QString &error)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QProcess probe;
        probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const int64_t launchedNs = monotonicNs();
        probe.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(kStartupProbeOption)});
        if (!probe.waitForFinished(kProbeTimeoutMs) || probe.exitCode() != 0) {
            error = QStringLiteral("the start-up probe failed: %1").arg(probe.errorString());
            return {};
        }
        bool isNumber = false;
        const qint64 exposedNs = probe.readAllStandardOutput().trimmed().toLongLong(&isNumber);
        if (!isNumber) {
            error = QStringLiteral("the start-up probe reported no time");
            return {};
        }
        times.push_back(static_cast<double>(exposedNs - launchedNs) / kNsPerMs);
    }
    return times;
}

} // namespace dcf::bench
