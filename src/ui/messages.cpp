#include "ui/messages.h"

#include <cerrno>
#include <cstring>
#include <optional>

namespace dcf {

namespace {

constexpr const char *kTryAgain = " und erneut Start drücken.";
constexpr const char *kEllipsis = "…";

/// The first `count` characters of UTF-8 text, as bytes.
std::size_t bytesOfCharacters(const std::string &text, std::size_t count)
{
    std::size_t bytes = 0;
    for (std::size_t seen = 0; bytes < text.size(); ++bytes) {
        const bool startsCharacter = (static_cast<unsigned char>(text[bytes]) & 0xC0) != 0x80;
        if (startsCharacter && seen++ == count)
            break;
    }
    return bytes;
}

/// A text of the user's as a message quotes it: cut short with "…" when it is long.
std::string shortened(const std::string &text)
{
    const std::size_t fits = bytesOfCharacters(text, kLongestQuote);
    if (fits == text.size())
        return text;
    return text.substr(0, bytesOfCharacters(text, kLongestQuote - 1)) + kEllipsis;
}

/// "Die Schnittstelle /dev/ttyUSB0"
std::string thePort(const std::string &device)
{
    return "Die Schnittstelle " + shortened(device);
}

std::string portRange()
{
    return "eine Portnummer von " + std::to_string(kFirstPortNumber) + " bis "
        + std::to_string(kLastPortNumber) + " oder einen Gerätepfad";
}

/// Our own words for the system's error numbers that a serial port meets; nothing for others.
std::optional<std::string> reasonFor([[maybe_unused]] int systemError)
{
#ifdef _WIN32
    // GetLastError() numbers: only the system knows their words.
    return std::nullopt;
#else
    switch (systemError) {
    case 0:
        return "Das Gerät hat die Verbindung beendet";
    case EACCES:
    case EPERM:
        return "Es fehlt das Recht, dieses Gerät zu benutzen";
    case ENOENT:
        return "Das Gerät gibt es nicht";
    case ENODEV:
    case ENXIO:
        return "Das Gerät ist nicht angeschlossen";
    case EBUSY:
        return "Das Gerät ist belegt";
    case EIO:
        return "Das Gerät meldet einen Übertragungsfehler";
    case ENOTTY:
        return "Das Gerät ist keine serielle Schnittstelle";
    case EISDIR:
        return "Der Pfad ist ein Verzeichnis";
    case ENOTDIR:
        return "Ein Teil des Pfades ist kein Verzeichnis";
    case ELOOP:
        return "Der Pfad enthält zu viele symbolische Verknüpfungen";
    case ENAMETOOLONG:
        return "Der Pfad ist zu lang";
    case EMFILE:
    case ENFILE:
        return "Es sind zu viele Dateien geöffnet";
    case ENOMEM:
        return "Der Arbeitsspeicher reicht nicht aus";
    case EAGAIN:
        return "Das Gerät ist gerade nicht bereit";
    case EINTR:
        return "Das Öffnen wurde unterbrochen";
    case EINVAL:
        return "Das Gerät nimmt die Leitungseinstellungen nicht an";
    case ETIMEDOUT:
        return "Das Gerät antwortet nicht";
    default:
        return std::nullopt;
    }
#endif
}

/// The system's own words for an error number we have none for, as the last paragraph.
std::string systemWordsFor(int systemError)
{
    if (systemError == 0 || reasonFor(systemError))
        return {};
#ifdef _WIN32
    return "\n\n(Systemfehler " + std::to_string(systemError) + ".)";
#else
    return "\n\n(Meldung des Systems: " + std::string(std::strerror(systemError)) + ".)";
#endif
}

std::string portLine(const SerialPortInfo &port)
{
    return "    " + portDescription(port) + "\n";
}

std::string noAccess(const PortOpenReport &report, DeviceNaming naming)
{
    const PortProblem &problem = report.problem;
    if (naming == DeviceNaming::Windows) {
        // Windows refuses access to a port that another program has open.
        return "Windows verweigert den Zugriff auf die Schnittstelle " + shortened(report.device)
            + ".\n\nMeist hält ein anderes Programm sie geöffnet: Bitte dieses beenden" + kTryAgain;
    }
    std::string text = thePort(report.device)
        + " kann nicht geöffnet werden: Es fehlt das Recht, dieses Gerät zu benutzen.\n\n";
    if (problem.group == "dialout") {
        return text
            + "Unter Linux haben es die Mitglieder der Gruppe „dialout“. Beitreten mit dem "
              "Befehl:\n\n"
              "    sudo usermod -aG dialout $USER\n\n"
              "Die Mitgliedschaft gilt erst nach erneutem Anmelden (abmelden und wieder "
              "anmelden). Danach erneut Start drücken.";
    }
    if (!problem.owner.empty() && !problem.group.empty()) {
        text += "Das Gerät gehört dem Benutzer „" + problem.owner + "“ und der Gruppe „"
            + problem.group + "“. ";
    }
    return text
        + "Bitte den Verwalter dieses Computers um das Recht bitten oder einen anderen Anschluss "
          "wählen. Danach erneut Start drücken.";
}

std::string noSuchDevice(const PortOpenReport &report, DeviceNaming naming)
{
    const std::string missing = thePort(report.device) + " gibt es nicht";
    if (report.ports.empty()) {
        return missing
            + ", und dieser Computer hat keine serielle Schnittstelle.\n\n"
              "Vermutlich ist der Empfänger nicht angeschlossen: Bitte ihn anschließen"
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
    return thePort(report.device)
        + " ist belegt: Ein anderes Programm hält sie geöffnet.\n\n"
          "Bitte das andere Programm beenden"
        + kTryAgain;
}

std::string notASerialPort(const PortOpenReport &report, DeviceNaming naming)
{
    std::string text = shortened(report.device)
        + " ist keine serielle Schnittstelle.\n\nBitte die Schnittstelle des Empfängers unter "
          "„ComPort No.“ eingeben";
    if (naming == DeviceNaming::Posix)
        text += " (etwa /dev/ttyUSB0)";
    return text + kTryAgain;
}

std::string noModemLines(const PortOpenReport &report)
{
    return thePort(report.device)
        + " hat keine Modem-Statusleitungen, und die gewählte Empfängerart braucht eine davon.\n\n"
          "Bitte den Empfänger an eine Schnittstelle mit Statusleitungen (DCD, CTS, DSR oder RI) "
          "anschließen oder eine andere Empfängerart wählen"
        + kTryAgain;
}

std::string otherFailure(const PortOpenReport &report)
{
    const std::optional<std::string> reason = reasonFor(report.problem.systemError);
    return thePort(report.device) + " kann nicht geöffnet werden"
        + (reason && report.problem.systemError != 0 ? ": " + *reason : "")
        + ".\n\nBitte prüfen, ob dort der Empfänger angeschlossen ist," + kTryAgain;
}

} // namespace

std::string unusablePortText(const std::string &portText)
{
    if (portText.find_first_not_of(" \t") == std::string::npos) {
        return "Es ist keine Schnittstelle angegeben.\n\nBitte unter „ComPort No.“ " + portRange()
            + " eingeben.";
    }
    return "„" + shortened(portText) + "“ bezeichnet keine Schnittstelle.\n\nBitte " + portRange()
        + " eingeben.";
}

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
    case PortFault::NotASerialPort:
        text = notASerialPort(report, naming);
        break;
    case PortFault::NoModemLines:
        text = noModemLines(report);
        break;
    case PortFault::Vanished:
    case PortFault::Other:
        text = otherFailure(report);
        break;
    }
    return text + systemWordsFor(report.problem.systemError);
}

std::string failedPortText(const std::string &device, const PortProblem &problem)
{
#ifndef _WIN32
    // An open line that fails with EIO has been hung up: the adapter was pulled, or the other
    // side closed; no fault of the transmission.
    const int systemError = problem.systemError == EIO ? 0 : problem.systemError;
#else
    const int systemError = problem.systemError;
#endif
    const std::optional<std::string> reason = reasonFor(systemError);
    return thePort(device) + " ist ausgefallen" + (reason ? ": " + *reason : "")
        + ".\n\nDer Empfang wurde beendet. Bitte das Kabel zum Empfänger prüfen" + kTryAgain
        + systemWordsFor(systemError);
}

std::string portDescription(const SerialPortInfo &port)
{
    std::string line = port.device;
    if (!port.description.empty())
        line += " – " + port.description;
    if (!port.manufacturer.empty()) {
        line += port.description.empty() ? " – Hersteller: " + port.manufacturer
                                         : " (Hersteller: " + port.manufacturer + ")";
    }
    return line;
}

std::string internalErrorText(const std::string &what)
{
    return "Interner Fehler: " + what + (what.ends_with('.') ? "" : ".");
}

} // namespace dcf
