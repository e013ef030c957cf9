#include "reception/port_messages.h"

#include <cstring>

namespace dcf {

namespace {

constexpr const char *kTryAgain = " und erneut Start drücken.";

std::string portLine(const SerialPortInfo &port)
{
    return "    " + portDescription(port) + "\n";
}

std::string noAccess(const PortOpenReport &report, DeviceNaming naming)
{
    if (naming == DeviceNaming::Windows) {
        // Windows refuses access to a port that another program has open.
        return "Windows verweigert den Zugriff auf die Schnittstelle " + report.device
            + ".\n\nMeist hält ein anderes Programm sie geöffnet: bitte dieses beenden" + kTryAgain;
    }
    return "Die Schnittstelle " + report.device
        + " kann nicht geöffnet werden: Es fehlt das Recht, dieses Gerät zu benutzen.\n\n"
          "Unter Linux haben es die Mitglieder der Gruppe „dialout“. Beitreten mit dem Befehl\n\n"
          "    sudo usermod -aG dialout $USER\n\n"
          "Die Mitgliedschaft gilt erst nach erneutem Anmelden (abmelden und wieder anmelden). "
          "Danach erneut Start drücken.";
}

std::string noSuchDevice(const PortOpenReport &report, DeviceNaming naming)
{
    const std::string missing = "Die Schnittstelle " + report.device + " gibt es nicht";
    if (report.ports.empty()) {
        return missing
            + ", und dieser Computer hat keine serielle Schnittstelle.\n\n"
              "Vermutlich ist der Empfänger nicht angeschlossen: bitte ihn anschließen"
            + kTryAgain;
    }
    std::string text = missing + ".\n\nDieser Computer hat diese seriellen Schnittstellen:\n";
    for (const SerialPortInfo &port : report.ports)
        text += portLine(port);
    text += "\nBitte ";
    const std::string &first = report.ports.front().device;
    const std::optional<std::string> firstNumber = portTextForDevice(first, naming);
    if (naming == DeviceNaming::Windows && firstNumber)
        text += "die Nummer einer davon (" + *firstNumber + " für " + first + ")";
    else
        text += "eine davon";
    return text + " unter „ComPort No.“ eingeben" + kTryAgain;
}

std::string inUse(const PortOpenReport &report)
{
    return "Die Schnittstelle " + report.device
        + " ist belegt: Ein anderes Programm hält sie geöffnet.\n\n"
          "Bitte das andere Programm beenden"
        + kTryAgain;
}

std::string otherFailure(const PortOpenReport &report)
{
    return "Die Schnittstelle " + report.device
        + " kann nicht geöffnet werden.\n\nBitte prüfen, ob dort der Empfänger angeschlossen "
          "ist,"
        + kTryAgain;
}

} // namespace

std::string unopenablePortText(const PortOpenReport &report, DeviceNaming naming)
{
    std::string text;
    switch (report.problem.cause) {
    case PortFault::NoAccess:
        text = noAccess(report, naming);
        break;
    case PortFault::NoSuchDevice:
        text = noSuchDevice(report, naming);
        break;
    case PortFault::InUse:
        text = inUse(report);
        break;
    default:
        text = otherFailure(report);
        break;
    }
    if (report.problem.systemError != 0)
        text += "\n\n(" + std::string(std::strerror(report.problem.systemError)) + ")";
    return text;
}

std::string failedPortText(const std::string &device, const PortProblem &problem)
{
    std::string text = "Die Schnittstelle " + device + " ist ausgefallen.";
    if (problem.systemError != 0)
        text += "\n(" + std::string(std::strerror(problem.systemError)) + ")";
    return text + "\n\nDer Empfang wurde beendet.";
}

} // namespace dcf
