#include "platform/qt/qt_realtime_kit.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusVariant>
#include <algorithm>
#include <sys/resource.h>

namespace dcf {

namespace {

const QString kService = QStringLiteral("org.freedesktop.RealtimeKit1");
const QString kPath = QStringLiteral("/org/freedesktop/RealtimeKit1");
/// A missing or stuck service must not hold up the start for long.
constexpr int kCallTimeoutMs = 2000;

/// One of RealtimeKit's properties as a number, or nothing.
std::optional<qlonglong> property(const QDBusConnection &bus, const QString &name)
{
    QDBusInterface properties(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                              bus);
    properties.setTimeout(kCallTimeoutMs);
    const QDBusReply<QDBusVariant> reply = properties.call(QStringLiteral("Get"), kService, name);
    if (!reply.isValid())
        return std::nullopt;
    bool isNumber = false;
    const qlonglong value = reply.value().variant().toLongLong(&isNumber);
    return isNumber ? std::optional(value) : std::nullopt;
}

bool requestOn(const QDBusConnection &bus, int64_t threadId, int priority);

} // namespace

bool requestRealtimeFromRealtimeKit(int64_t threadId, int priority)
{
    // A connection of its own, closed again: asked once, and never with the system bus of an
    // earlier attempt.
    const QString name = QStringLiteral("dcf77-realtime-kit");
    const bool granted = requestOn(QDBusConnection::connectToBus(QDBusConnection::SystemBus, name),
                                   threadId, priority);
    QDBusConnection::disconnectFromBus(name);
    return granted;
}

namespace {

bool requestOn(const QDBusConnection &bus, int64_t threadId, int priority)
{
    if (!bus.isConnected())
        return false;
    const std::optional<qlonglong> highest = property(bus, QStringLiteral("MaxRealtimePriority"));
    const std::optional<qlonglong> longestRun = property(bus, QStringLiteral("RTTimeUSecMax"));
    if (!highest || !longestRun || *highest < 1 || *longestRun < 1)
        return false;
    // It grants real-time scheduling only to a process that cannot keep a processor for longer.
    const rlimit limit {static_cast<rlim_t>(*longestRun), static_cast<rlim_t>(*longestRun)};
    if (setrlimit(RLIMIT_RTTIME, &limit) != 0)
        return false;
    QDBusInterface kit(kService, kPath, kService, bus);
    kit.setTimeout(kCallTimeoutMs);
    const QDBusReply<void> reply
        = kit.call(QStringLiteral("MakeThreadRealtime"), static_cast<qulonglong>(threadId),
                   static_cast<uint>(std::min<qlonglong>(priority, *highest)));
    return reply.isValid();
}

} // namespace

} // namespace dcf
