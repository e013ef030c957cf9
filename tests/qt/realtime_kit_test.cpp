// The request to RealtimeKit as it goes over D-Bus, against a stand-in for the service on a
// private bus that the test starts (dbus-daemon) and names as the system bus: what it asks, the
// limit it sets first, and a refusal.

#include "platform/qt/qt_realtime_kit.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace dcf {
namespace {

const QString kService = QStringLiteral("org.freedesktop.RealtimeKit1");
const QString kPath = QStringLiteral("/org/freedesktop/RealtimeKit1");

/// RealtimeKit as far as the request needs it: two properties and the one method.
class StandInKit final : public QDBusVirtualObject
{
public:
    bool refuses = false;
    std::atomic<qulonglong> thread = 0;
    std::atomic<uint> priority = 0;

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.member() == QLatin1String("Get")) {
            const QString name = message.arguments().value(1).toString();
            const QVariant value = name == QLatin1String("MaxRealtimePriority")
                ? QVariant(10)
                : QVariant(static_cast<qlonglong>(200'000));
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
            return true;
        }
        if (message.member() == QLatin1String("MakeThreadRealtime")) {
            thread = message.arguments().value(0).toULongLong();
            priority = message.arguments().value(1).toUInt();
            connection.send(
                refuses ? message.createErrorReply(
                    QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"), QStringLiteral("no"))
                        : message.createReply());
            return true;
        }
        return false;
    }
};

/// Asks as the program does, from a thread of its own while this one answers as the kit.
bool request(int64_t threadId, int wanted)
{
    std::future<bool> granted = std::async(
        std::launch::async, [=] { return requestRealtimeFromRealtimeKit(threadId, wanted); });
    while (granted.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return granted.get();
}

TEST(RealtimeKit, AsksWithinTheKitsLimitsAndTakesARefusalOrNoBusAsNoGrant)
{
    // A private bus with the stand-in on it, named as the system bus for this process.
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address")});
    if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000))
        GTEST_SKIP() << "needs dbus-daemon";
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());
    StandInKit kit;
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("kit"));
    EXPECT_TRUE(bus.registerService(kService) && bus.registerVirtualObject(kPath, &kit));

    EXPECT_TRUE(request(4321, 20));
    EXPECT_EQ(kit.thread, 4321u);
    EXPECT_EQ(kit.priority, 10u) << "more than the kit grants is refused outright";
    rlimit limit {};
    EXPECT_EQ(getrlimit(RLIMIT_RTTIME, &limit), 0);
    EXPECT_EQ(std::make_pair(limit.rlim_cur, limit.rlim_max), std::make_pair(200'000ul, 200'000ul));

    kit.refuses = true;
    EXPECT_FALSE(request(4321, 20)) << "a refusal is no grant";
    QDBusConnection::disconnectFromBus(QStringLiteral("kit"));
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/dcf77-no-bus");
    EXPECT_FALSE(request(4321, 20)) << "nor is a missing bus";
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    daemon.kill();
    daemon.waitForFinished();
}

} // namespace
} // namespace dcf
