#include "simulator_process.h"

#include <csignal>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace dcf::driver {

SimulatorProcess::SimulatorProcess(QStringList arguments)
    : m_arguments(std::move(arguments))
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef __linux__
    // A driver that is killed (a hung test ended by its harness, Ctrl+C on a script) runs no
    // destructor; the simulator must not live on without it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
}

SimulatorProcess::~SimulatorProcess()
{
    stop();
}

bool SimulatorProcess::start(int timeoutMs)
{
    const QString executable = QStringLiteral(DCF77_SIM_EXECUTABLE);
    m_process.start(executable, m_arguments);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("dcf77-sim did not start (%1): %2")
                      .arg(executable, m_process.errorString());
        return false;
    }
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(timeoutMs)) {
            m_error = QStringLiteral("dcf77-sim printed no device path");
            return false;
        }
    }
    m_devicePath = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (!m_devicePath.startsWith(QLatin1Char('/'))) {
        m_error = QStringLiteral("dcf77-sim printed no device path but: %1").arg(m_devicePath);
        return false;
    }
    return true;
}

bool SimulatorProcess::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

void SimulatorProcess::kill()
{
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void SimulatorProcess::stop()
{
    if (isRunning()) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            kill();
    }
}

} // namespace dcf::driver
