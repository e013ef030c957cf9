#pragma once

// The simulated receiver as a child process, for the scripted user and the benchmark: they start
// it, type the device path it prints, and stop it at the end.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace dcf::driver {

/// The simulated receiver dcf77-sim as a child process: started with its options, it serves a
/// pseudo-terminal whose path it prints first. Its diagnostics go to our standard error.
class SimulatorProcess
{
public:
    explicit SimulatorProcess(QStringList arguments = {});
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    /// Starts it and waits for the device path. On failure returns false and error() says why.
    bool start(int timeoutMs = 10000);
    const QString &devicePath() const { return m_devicePath; }
    const QString &error() const { return m_error; }
    bool isRunning() const;

    /// Ends it abruptly, as when a receiver is unplugged: the device goes away.
    void kill();
    /// Ends it cleanly and waits.
    void stop();

private:
    QProcess m_process;
    QStringList m_arguments;
    QString m_devicePath;
    QString m_error;
};

} // namespace dcf::driver
