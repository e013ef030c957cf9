#include "reception/reception.h"

#include "reception/display_formats.h"
#include "reception/port_name.h"
#include "reception/reception_steps.h"
#include "ui/program.h"

namespace dcf {

namespace {

constexpr const char *kLineSettings = "38400,N,8,1";
constexpr int kReadLength = 1;
constexpr const char *kMessageTitle = "DCF77";

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

std::string unusablePortText(const std::string &text)
{
    if (text.find_first_not_of(" \t") == std::string::npos) {
        return "Es ist keine Schnittstelle angegeben.\n\nBitte unter „ComPort No.“ eine "
               "Portnummer von 1 bis 32767 oder einen Gerätepfad eingeben.";
    }
    return "„" + text
        + "“ bezeichnet keine Schnittstelle.\n\nBitte eine Portnummer von 1 bis 32767 oder "
          "einen Gerätepfad eingeben.";
}

void reportUnopenablePort(Program &program, const std::string &device)
{
    program.platform.desktop.showMessage(kMessageTitle,
                                         "Die Schnittstelle " + device
                                             + " kann nicht geöffnet werden:\n"
                                             + program.platform.serial.errorText());
}

/// Sets up the port for `device` (closing whatever was open) and opens it.
bool openPort(SerialPort &port, const std::string &device)
{
    if (port.isOpen())
        port.close();
    port.setPort(device);
    port.setSettings(kLineSettings);
    port.setReadLength(kReadLength);
    return port.isOpen() || port.open();
}

/// Start of an attempt: reset, then close and reopen the port. Returns the device, or nothing
/// when the port cannot be used (the user has been told why). The first attempt of a Start
/// refuses an unusable port before it changes anything.
std::optional<std::string> startAttempt(Program &program, bool firstAttempt)
{
    Global &g = program.g;

    program.processEventsInLongLoop();
    const std::string portText = program.frmDCF77.txtComPort.text();
    const std::optional<std::string> device = serialDeviceForPortText(portText);
    if (!device) {
        program.platform.desktop.showMessage(kMessageTitle, unusablePortText(portText));
        return std::nullopt;
    }
    // The probe opens the port, and a port opens only with its line settings.
    program.platform.serial.setSettings(kLineSettings);
    program.platform.serial.setReadLength(kReadLength);
    if (firstAttempt && !program.platform.serial.probe(*device)) {
        reportUnopenablePort(program, *device);
        return std::nullopt;
    }

    ResetReception(program);
    g.ZeichenZaehler = 0;
    if (!openPort(program.platform.serial, *device)) {
        reportUnopenablePort(program, *device);
        return std::nullopt;
    }
    g.StartZeit = program.WinTimer();
    return device;
}

/// The next character into Empfang. Blocks only while nothing is buffered; returns
/// false when the port has failed.
bool waitForCharacter(Program &program)
{
    SerialPort &port = program.platform.serial;
    const PrecisePeriod precise(program.platform.time);
    for (;;) {
        program.processEventsInLongLoop();
        program.g.Empfang = port.read();
        if (!program.g.Empfang.empty())
            return true;
        if (port.hasFailed())
            return false;
        program.waitForActivity();
    }
}

void reportFailedPort(Program &program, const std::string &device)
{
    SerialPort &port = program.platform.serial;
    const std::string reason = port.errorText();
    port.close();
    program.platform.desktop.showMessage(kMessageTitle,
                                         "Die Schnittstelle " + device + " ist ausgefallen:\n"
                                             + reason + "\n\nDer Empfang wurde beendet.");
}

/// End of the reception: mark the reception as finished and hand over to the decoder and the
/// running clock.
void finishReception(Program &program)
{
    MainWindow &w = program.frmDCF77;
    w.optPuls01.setValue(false);
    w.optPuls01.setBackColor(receptionColors::kIndicatorBack);
    w.optPuls01.setForeColor(receptionColors::kPulseIdleText);
    w.optPuls02.setValue(true);
    w.optPuls02.setBackColor(receptionColors::kFinishedBack);
    program.receptionFinished();
}

} // namespace

void runReception(Program &program)
{
    Global &g = program.g;
    for (bool firstAttempt = true;; firstAttempt = false) {
        const std::optional<std::string> device = startAttempt(program, firstAttempt);
        if (!device)
            return;

        reception::Outcome outcome = reception::Outcome::WaitForNext;
        while (outcome == reception::Outcome::WaitForNext) {
            g.Flanke = reception::kNoEdge;
            program.processEventsInLongLoop();
            if (g.Fehler1 != 0 || g.Fehler2 != 0) {
                outcome = reception::Outcome::NewAttempt;
                break;
            }
            if (!waitForCharacter(program)) {
                reportFailedPort(program, *device);
                return;
            }
            g.ZeichenCode = static_cast<unsigned char>(g.Empfang.front());
            outcome = reception::characterStep(program);
            if (outcome == reception::Outcome::WaitForNext)
                outcome = reception::endChecks(program);
        }
        if (outcome == reception::Outcome::End) {
            finishReception(program);
            return;
        }
    }
}

} // namespace dcf
