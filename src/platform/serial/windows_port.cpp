#include "platform/serial/port.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <string>
#include <utility>
#include <windows.h>

namespace dcf::serial {

namespace {

/// "COM3" as the system opens it; a path given in full stays as it is.
std::wstring devicePathOf(const std::string &device)
{
    std::wstring path(device.begin(), device.end());
    if (path.rfind(L"\\\\.\\", 0) != 0)
        path = L"\\\\.\\" + path;
    return path;
}

/// The same port whichever way its name was typed ("com3", "\\.\COM3").
std::string identityOf(const std::string &device)
{
    std::string name = device.rfind("\\\\.\\", 0) == 0 ? device.substr(4) : device;
    std::ranges::transform(name, name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

PortProblem openFailure(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return {PortFault::NoSuchDevice, static_cast<int>(error)};
    // Windows refuses a port that another program has open with "access denied".
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return {PortFault::InUse, static_cast<int>(error)};
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
        return {PortFault::Vanished, static_cast<int>(error)};
    default:
        return {PortFault::Other, static_cast<int>(error)};
    }
}

/// Raw 8N1 at `baud` without flow control, DTR and RTS as `power` says.
bool setLine(HANDLE port, int baud, PowerLines power)
{
    DCB settings {};
    settings.DCBlength = sizeof settings;
    if (!GetCommState(port, &settings))
        return false;
    const bool dtr = power == PowerLines::Dtr || power == PowerLines::Both;
    const bool rts = power == PowerLines::Rts || power == PowerLines::Both;
    settings.BaudRate = static_cast<DWORD>(baud);
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    settings.fBinary = TRUE;
    settings.fParity = FALSE;
    settings.fOutxCtsFlow = FALSE;
    settings.fOutxDsrFlow = FALSE;
    settings.fDsrSensitivity = FALSE;
    settings.fOutX = FALSE;
    settings.fInX = FALSE;
    settings.fErrorChar = FALSE;
    settings.fNull = FALSE;
    settings.fAbortOnError = FALSE;
    settings.fDtrControl = dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    settings.fRtsControl = rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    if (!SetCommState(port, &settings))
        return false;
    // A driver may round a speed it cannot do; then it is not this one.
    DCB actual {};
    actual.DCBlength = sizeof actual;
    return GetCommState(port, &actual) && actual.BaudRate == static_cast<DWORD>(baud);
}

/// A handle that closes itself.
class Handle
{
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE)
        : m_handle(handle)
    { }
    ~Handle()
    {
        if (m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr)
            CloseHandle(m_handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE get() const { return m_handle; }
    HANDLE release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }

private:
    HANDLE m_handle;
};

/// Opens the port as open() and check() need it: exclusively, as Windows opens every port.
HANDLE openExclusive(const std::string &device, PortProblem &problem, bool &hasModemLines)
{
    Handle port(CreateFileW(devicePathOf(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (port.get() == INVALID_HANDLE_VALUE) {
        problem = openFailure(GetLastError());
        return INVALID_HANDLE_VALUE;
    }
    DCB settings {};
    settings.DCBlength = sizeof settings;
    if (!GetCommState(port.get(), &settings)) {
        problem = {PortFault::NotASerialPort, static_cast<int>(GetLastError())};
        return INVALID_HANDLE_VALUE;
    }
    DWORD lines = 0;
    hasModemLines = GetCommModemStatus(port.get(), &lines) != 0;
    return port.release();
}

bool isLineKind(const std::optional<ReceiverKind> &kind)
{
    return kind && settingsOf(*kind).line != 0;
}

class WindowsPort final : public Port
{
public:
    WindowsPort(HANDLE port, std::string identity, bool hasModemLines, PowerLines power)
        : m_port(port)
        , m_identity(std::move(identity))
        , m_hasModemLines(hasModemLines)
        , m_power(power)
        , m_stop(CreateEventW(nullptr, FALSE, FALSE, nullptr))
        , m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    { }

    ~WindowsPort() override
    {
        CancelIoEx(m_port, nullptr);
        CloseHandle(m_port);
        CloseHandle(m_stop);
        CloseHandle(m_event);
    }

    const std::string &identity() const override { return m_identity; }
    bool hasModemLines() const override { return m_hasModemLines; }
    void adoptReaderThread() override { }

    Outcome waitForCharacters(bool characters, std::optional<int64_t> deadlineMicroseconds) override
    {
        if (characters && waitingCharacters() > 0)
            return Outcome::Ready;
        const DWORD mask = characters ? EV_RXCHAR | EV_BREAK | EV_ERR : EV_ERR;
        DWORD timeout = INFINITE;
        if (deadlineMicroseconds) {
            const int64_t left = std::max<int64_t>(0, *deadlineMicroseconds - stampNow());
            timeout = static_cast<DWORD>((left + 999) / 1000);
        }
        return waitForEvent(mask, timeout);
    }

    std::optional<std::size_t> readCharacters(std::span<char> into) override
    {
        // Breaks and framing errors show in the stream as the terminal marks them elsewhere
        // (\377 \0 \0), and \377 itself doubled, so that they read the same on every system.
        const std::size_t room = m_marksErrors ? into.size() / 3 : into.size();
        DWORD errors = 0;
        COMSTAT status {};
        if (!ClearCommError(m_port, &errors, &status))
            return fail(GetLastError());
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(room, status.cbInQue));
        if (wanted == 0)
            return 0;
        std::string bytes(wanted, '\0');
        OVERLAPPED overlapped {};
        overlapped.hEvent = m_event;
        DWORD count = 0;
        if (!ReadFile(m_port, bytes.data(), wanted, &count, &overlapped)
            && (GetLastError() != ERROR_IO_PENDING
                || !GetOverlappedResult(m_port, &overlapped, &count, TRUE)))
            return fail(GetLastError());
        bytes.resize(count);
        bool errorPending = m_marksErrors && (errors & (CE_FRAME | CE_BREAK)) != 0;
        std::size_t written = 0;
        for (const char byte : bytes) {
            if (m_marksErrors && byte == '\0' && errorPending) {
                for (const char marked : {'\377', '\0', '\0'})
                    into[written++] = marked;
                errorPending = false;
                continue;
            }
            if (m_marksErrors && byte == '\377')
                into[written++] = '\377';
            into[written++] = byte;
        }
        return written;
    }

    Outcome waitForLineChange(unsigned lines) override
    {
        const DWORD mask = ((lines & kDcd) ? EV_RLSD : 0u) | ((lines & kCts) ? EV_CTS : 0u)
            | ((lines & kDsr) ? EV_DSR : 0u) | ((lines & kRi) ? EV_RING : 0u);
        return waitForEvent(mask, INFINITE);
    }

    std::optional<LineSample> sampleLines() override
    {
        DWORD status = 0;
        if (!GetCommModemStatus(m_port, &status)) {
            fail(GetLastError());
            return std::nullopt;
        }
        LineSample sample;
        sample.active = ((status & MS_RLSD_ON) ? kDcd : 0u) | ((status & MS_CTS_ON) ? kCts : 0u)
            | ((status & MS_DSR_ON) ? kDsr : 0u) | ((status & MS_RING_ON) ? kRi : 0u);
        return sample;
    }

    int switchToSlowCharacters() override
    {
        const KindSettings slow = settingsOf(ReceiverKind::Rxd50);
        for (const int baud : {slow.baud, slow.fallbackBaud}) {
            if (setLine(m_port, baud, m_power)) {
                m_marksErrors = true;
                return baud;
            }
        }
        return 0;
    }

    PortProblem failure() const override { return m_failure; }

    void interrupt() override { SetEvent(m_stop); }

private:
    DWORD waitingCharacters()
    {
        DWORD errors = 0;
        COMSTAT status {};
        return ClearCommError(m_port, &errors, &status) ? status.cbInQue : 0;
    }

    /// WaitCommEvent on the reader's own handle, ended by interrupt() or `timeout`.
    Outcome waitForEvent(DWORD mask, DWORD timeout)
    {
        if (!SetCommMask(m_port, mask))
            return GetLastError() == ERROR_INVALID_PARAMETER ? Outcome::Unsupported
                                                             : failed(GetLastError());
        OVERLAPPED overlapped {};
        overlapped.hEvent = m_event;
        DWORD events = 0;
        if (WaitCommEvent(m_port, &events, &overlapped))
            return Outcome::Ready;
        if (GetLastError() != ERROR_IO_PENDING)
            return GetLastError() == ERROR_INVALID_PARAMETER ? Outcome::Unsupported
                                                             : failed(GetLastError());
        const HANDLE waits[] {m_event, m_stop};
        const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, timeout);
        if (woken != WAIT_OBJECT_0) {
            CancelIoEx(m_port, &overlapped);
            DWORD ignored = 0;
            GetOverlappedResult(m_port, &overlapped, &ignored, TRUE);
            return woken == WAIT_OBJECT_0 + 1 ? Outcome::Interrupted : Outcome::TimedOut;
        }
        DWORD ignored = 0;
        if (!GetOverlappedResult(m_port, &overlapped, &ignored, FALSE))
            return failed(GetLastError());
        return Outcome::Ready;
    }

    std::optional<std::size_t> fail(DWORD error)
    {
        failed(error);
        return std::nullopt;
    }

    Outcome failed(DWORD error)
    {
        m_failure = {PortFault::Vanished, static_cast<int>(error)};
        return Outcome::Failed;
    }

    const HANDLE m_port;
    const std::string m_identity;
    const bool m_hasModemLines;
    const PowerLines m_power;
    /// Auto-reset: each interrupt() ends one wait.
    const HANDLE m_stop;
    const HANDLE m_event;
    bool m_marksErrors = false;
    PortProblem m_failure;
};

} // namespace

bool makeThisThreadRealtime()
{
    // The highest priority that a thread of an ordinary process may take for itself.
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
}

int64_t thisThreadId()
{
    return static_cast<int64_t>(GetCurrentThreadId());
}

int64_t stampNow()
{
    // steady_clock is the performance counter here, as for the window thread's time base.
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

Port::Opened Port::open(const std::string &device, const ReceiverChoice &choice)
{
    Opened opened;
    bool hasModemLines = false;
    Handle port(openExclusive(device, opened.problem, hasModemLines));
    if (port.get() == INVALID_HANDLE_VALUE)
        return opened;
    if (!hasModemLines && isLineKind(choice.kind)) {
        opened.problem = {PortFault::NoModemLines, static_cast<int>(GetLastError())};
        return opened;
    }
    const KindSettings settings = settingsOf(choice.kind.value_or(ReceiverKind::Characters));
    if (!setLine(port.get(), settings.baud, choice.power)
        && !(settings.fallbackBaud != 0
             && setLine(port.get(), settings.fallbackBaud, choice.power))) {
        opened.problem = {PortFault::Other, static_cast<int>(GetLastError())};
        return opened;
    }
    // Reads return at once with what has arrived; the waits are WaitCommEvent's.
    COMMTIMEOUTS timeouts {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(port.get(), &timeouts);
    // What arrived before the open carries the wrong stamps.
    PurgeComm(port.get(), PURGE_RXCLEAR | PURGE_RXABORT);
    opened.port = std::make_unique<WindowsPort>(port.release(), identityOf(device), hasModemLines,
                                                choice.power);
    return opened;
}

std::optional<PortProblem> Port::check(const std::string &device, const ReceiverChoice &choice,
                                       const std::string &openIdentity)
{
    if (identityOf(device) == openIdentity)
        return std::nullopt;
    PortProblem problem;
    bool hasModemLines = false;
    const Handle port(openExclusive(device, problem, hasModemLines));
    if (port.get() == INVALID_HANDLE_VALUE)
        return problem;
    if (!hasModemLines && isLineKind(choice.kind))
        return PortProblem {PortFault::NoModemLines, 0};
    return std::nullopt;
}

} // namespace dcf::serial
