// A signal with a 20 ms mark and a 300 ms mark: each is counted on red, each abandons the attempt
// (the next one clears the counters), and the undisturbed minute after them is decoded.

#include "reception/display_formats.h"
#include "scenarios.h"
#include "session.h"
#include "steps.h"
#include "ui/main_window.h"

#include <QColor>
#include <QEvent>
#include <QLineEdit>
#include <functional>
#include <memory>

namespace dcf::autopilot {

namespace {

/// The simulator starts at second :40, so both faulty marks fall before the next minute mark
/// and the attempt after them still finds it: about 80 s in all.
constexpr int kFirstSecond = 40;
constexpr int kShortMarkSecond = 4;
constexpr int kLongMarkSecond = 8;
constexpr int kFaultTimeoutMs = 30 * 1000;

/// Records every text and background that a display box shows, as it happens, and reports the
/// moments a scenario waits for: the box counting on red, and the box cleared again.
class CounterWatch final : public QObject
{
public:
    /// `onChange` is told each new state (for progress lines).
    CounterWatch(QLineEdit *box, QColor alarm,
                 std::function<void(const QString &text, bool onAlarm)> onChange);

    /// The box has shown a count on the alarm colour.
    bool hasCountedOnAlarm() const { return m_counted; }
    /// The first count it showed on the alarm colour.
    const QString &countShown() const { return m_countShown; }
    /// After that, the box has been emptied and lost the alarm colour.
    bool hasBeenClearedSince() const { return m_cleared; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void look();

    QLineEdit *m_box;
    QColor m_alarm;
    std::function<void(const QString &, bool)> m_onChange;
    QString m_lastText;
    QString m_countShown;
    bool m_lastOnAlarm = false;
    bool m_counted = false;
    bool m_cleared = false;
};

CounterWatch::CounterWatch(QLineEdit *box, QColor alarm,
                           std::function<void(const QString &, bool)> onChange)
    : m_box(box)
    , m_alarm(alarm)
    , m_onChange(std::move(onChange))
{
    m_lastText = box->text();
    m_lastOnAlarm = box->palette().color(box->backgroundRole()) == m_alarm;
    // Text and colour reach the widget at the moment the program writes them.
    connect(box, &QLineEdit::textChanged, this, [this] { look(); });
    box->installEventFilter(this);
}

bool CounterWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_box && event->type() == QEvent::PaletteChange)
        look();
    return false;
}

void CounterWatch::look()
{
    const QString text = m_box->text().trimmed();
    const bool onAlarm = m_box->palette().color(m_box->backgroundRole()) == m_alarm;
    if (text == m_lastText && onAlarm == m_lastOnAlarm)
        return;
    m_lastText = text;
    m_lastOnAlarm = onAlarm;
    if (onAlarm && !text.isEmpty() && !m_counted) {
        m_counted = true;
        m_countShown = text;
    }
    if (m_counted && !onAlarm && text.isEmpty())
        m_cleared = true;
    if (m_onChange)
        m_onChange(text, onAlarm);
}

struct Watches
{
    std::unique_ptr<CounterWatch> shortMarks;
    std::unique_ptr<CounterWatch> longMarks;
};

std::unique_ptr<CounterWatch> watchCounter(Session &session, TextBox &box, const QString &name)
{
    auto *line = qobject_cast<QLineEdit *>(session.widget(box));
    if (!line)
        return nullptr;
    const Color red = receptionColors::kCounterAlarm;
    return std::make_unique<CounterWatch>(
        line, QColor(red.red(), red.green(), red.blue()),
        [&session, name](const QString &text, bool onRed) {
            if (onRed && !text.isEmpty())
                session.say(QStringLiteral("%1 shows %2 on red").arg(name, text));
            else if (!onRed && text.isEmpty())
                session.say(QStringLiteral("%1 cleared: a new attempt").arg(name));
        });
}

void expectCounted(Session &session, std::shared_ptr<Watches> watches, bool shortMark)
{
    const QString name = shortMark ? QStringLiteral("txtFehler1") : QStringLiteral("txtFehler2");
    const auto watch = [watches, shortMark]() -> const CounterWatch * {
        return shortMark ? watches->shortMarks.get() : watches->longMarks.get();
    };
    check(
        session, name + QStringLiteral(" counts the faulty mark on red"),
        [watch] {
            if (!watch() || !watch()->hasCountedOnAlarm())
                return QStringLiteral("no count on red was shown");
            if (watch()->countShown() != QStringLiteral("1"))
                return QStringLiteral("the count shown was %1, not 1").arg(watch()->countShown());
            return QString();
        },
        kFaultTimeoutMs);
    check(session, QStringLiteral("a new attempt clears ") + name, [watch] {
        return watch()->hasBeenClearedSince() ? QString()
                                              : QStringLiteral("the counter stays on red");
    });
}

} // namespace

void scriptFaults(Session &session)
{
    auto watches = std::make_shared<Watches>();
    session.user.act(QStringLiteral("watch the error counters"), [&session, watches] {
        watches->shortMarks
            = watchCounter(session, session.main().txtFehler1, QStringLiteral("txtFehler1"));
        watches->longMarks
            = watchCounter(session, session.main().txtFehler2, QStringLiteral("txtFehler2"));
    });
    reportMinuteGaps(session);
    launchSimulatorNearNow(session,
                           {QStringLiteral("--short-mark"), QString::number(kShortMarkSecond),
                            QStringLiteral("--long-mark"), QString::number(kLongMarkSecond)},
                           kFirstSecond);
    typePortAndPressStart(session);
    expectCounted(session, watches, true);
    expectCounted(session, watches, false);
    awaitDecodedMinute(session);
    printPanel(session);
    pressExit(session);
}

} // namespace dcf::autopilot
