#include "reception/reception.h"

#include "reception/display_formats.h"
#include "reception/reception_steps.h"
#include "ui/messages.h"
#include "ui/port_name.h"

namespace dcf {

namespace {

/// Holds the fine timer resolution for one wait, also when the wait is interrupted.
class PrecisePeriod
{
public:
    explicit PrecisePeriod(TimeBase &time)
        : m_time(time)
    {
        m_time.beginPrecisePeriod();
    }
    ~PrecisePeriod() { m_time.endPrecisePeriod(); }
    PrecisePeriod(const PrecisePeriod &) = delete;
    PrecisePeriod &operator=(const PrecisePeriod &) = delete;

private:
    TimeBase &m_time;
};

void reportUnopenablePort(const ReceptionContext &context, const std::string &device,
                          const PortProblem &problem)
{
    PortOpenReport report {device, problem, {}};
    if (problem.cause == PortFault::NoSuchDevice)
        report.ports = context.serial.availablePorts();
    context.desktop.showMessage(MessageKind::Warning, kProgramTitle, unopenablePortText(report));
}

/// Sets up the port for `device` (closing whatever was open) and opens it; nothing when it
/// opened.
std::optional<PortProblem> openPort(SerialPort &port, const std::string &device)
{
    if (port.isOpen())
        port.close();
    port.setPort(device);
    return port.open();
}

/// The device that "ComPort No." names, after a check that it can be opened if `check`; nothing
/// when it cannot be used (the user has been told why).
std::optional<std::string> namedDevice(const ReceptionContext &context, bool check)
{
    const std::string portText = context.frmDCF77.txtComPort.text();
    const std::optional<std::string> device = serialDeviceForPortText(portText);
    if (!device) {
        context.desktop.showMessage(MessageKind::Warning, kProgramTitle,
                                    unusablePortText(portText));
        return std::nullopt;
    }
    if (check) {
        if (const std::optional<PortProblem> problem = context.serial.check(*device)) {
            reportUnopenablePort(context, *device, *problem);
            return std::nullopt;
        }
    }
    return device;
}

/// Start of an attempt: reset, then close and reopen the port. Returns the device, or nothing
/// when the port cannot be used (the user has been told why). The first attempt of a Start
/// refuses an unusable port before it changes anything.
std::optional<std::string> startAttempt(const ReceptionContext &context, bool firstAttempt)
{
    Global &g = context.g;

    context.events.processPendingEvents();
    const std::optional<std::string> device = namedDevice(context, firstAttempt);
    if (!device)
        return std::nullopt;

    ResetReception(context);
    g.ZeichenZaehler = 0;
    if (const std::optional<PortProblem> problem = openPort(context.serial, *device)) {
        reportUnopenablePort(context, *device, *problem);
        return std::nullopt;
    }
    // On the clock of the arrival stamps, so that the first interval and the time-out are
    // measured on one clock.
    g.StartZeit = reception::secondsOfMicroseconds(context.time.microseconds());
    return device;
}

/// The next character into Empfang; returns its arrival time (microseconds), or nothing when
/// the port has failed. Blocks only while nothing is buffered.
std::optional<int64_t> waitForCharacter(const ReceptionContext &context)
{
    SerialPort &port = context.serial;
    const PrecisePeriod precise(context.time);
    for (;;) {
        context.events.processPendingEvents();
        SerialInput input = port.read();
        if (!input.characters.empty()) {
            context.g.Empfang = std::move(input.characters);
            return input.arrivalMicroseconds;
        }
        if (port.failure())
            return std::nullopt;
        context.events.waitForActivity();
    }
}

void reportFailedPort(const ReceptionContext &context, const std::string &device)
{
    SerialPort &port = context.serial;
    const PortProblem problem = port.failure().value_or(PortProblem {PortFault::Vanished, 0});
    port.close();
    context.desktop.showMessage(MessageKind::Warning, kProgramTitle,
                                failedPortText(device, problem));
}

/// End of the reception: the completion mark shows that the decoder takes over.
void finishReception(const ReceptionContext &context)
{
    MainWindow &w = context.frmDCF77;
    w.optPuls01.setValue(false);
    w.optPuls01.setBackColor(receptionColors::kIndicatorBack);
    w.optPuls01.setForeColor(receptionColors::kPulseIdleText);
    w.optPuls02.setValue(true);
    w.optPuls02.setBackColor(receptionColors::kFinishedBack);
}

} // namespace

bool portIsUsable(const ReceptionContext &context)
{
    return namedDevice(context, true).has_value();
}

ReceptionEnd runReception(const ReceptionContext &context)
{
    Global &g = context.g;
    for (bool firstAttempt = true;; firstAttempt = false) {
        const std::optional<std::string> device = startAttempt(context, firstAttempt);
        if (!device)
            return ReceptionEnd::PortUnusable;

        reception::Outcome outcome = reception::Outcome::WaitForNext;
        while (outcome == reception::Outcome::WaitForNext) {
            g.Flanke = reception::kNoEdge;
            context.events.processPendingEvents();
            if (g.Fehler1 != 0 || g.Fehler2 != 0) {
                outcome = reception::Outcome::NewAttempt;
                break;
            }
            const std::optional<int64_t> arrival = waitForCharacter(context);
            if (!arrival) {
                reportFailedPort(context, *device);
                return ReceptionEnd::PortFailed;
            }
            g.ZeichenCode = static_cast<unsigned char>(g.Empfang.front());
            outcome = reception::characterStep(context, *arrival);
            if (outcome == reception::Outcome::WaitForNext)
                outcome = reception::endChecks(context);
        }
        if (outcome == reception::Outcome::End) {
            finishReception(context);
            return ReceptionEnd::MinuteComplete;
        }
    }
}

} // namespace dcf
