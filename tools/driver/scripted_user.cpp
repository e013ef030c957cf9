#include "scripted_user.h"

#include <QDateTime>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace dcf::driver {

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

ScriptedUser::ScriptedUser(int tickMs)
    : m_tickMs(tickMs)
{
    onFailure = [](const QString &failure) {
        std::fprintf(stderr, "scripted user: %s\n", qPrintable(failure));
    };
}

ScriptedUser &ScriptedUser::act(QString what, std::function<void()> action)
{
    m_steps.push_back({Kind::Act, std::move(what), std::move(action), {}, 0});
    return *this;
}

ScriptedUser &ScriptedUser::actLongRunning(QString what, std::function<void()> action)
{
    m_steps.push_back({Kind::ActLongRunning, std::move(what), std::move(action), {}, 0});
    return *this;
}

ScriptedUser &ScriptedUser::waitFor(QString what, std::function<bool()> condition, int timeoutMs)
{
    m_steps.push_back({Kind::Wait, std::move(what), {}, std::move(condition), timeoutMs});
    return *this;
}

ScriptedUser &ScriptedUser::pause(int ms)
{
    auto until = std::make_shared<qint64>(-1);
    return act(QStringLiteral("start a pause"), [until, ms] { *until = nowMs() + ms; })
        .waitFor(
            QStringLiteral("pause of %1 ms").arg(ms), [until] { return nowMs() >= *until; },
            ms + 60000);
}

void ScriptedUser::begin()
{
    scheduleTick();
}

QString ScriptedUser::currentStep() const
{
    return m_next < m_steps.size() ? m_steps[m_next].what : QStringLiteral("(done)");
}

void ScriptedUser::scheduleTick()
{
    // A fresh single-shot timer each time: a timer whose slot is still running (the Start click)
    // would not fire again inside it.
    QTimer::singleShot(m_tickMs, &m_context, [this] { tick(); });
}

void ScriptedUser::tick()
{
    if (m_failed || m_next >= m_steps.size())
        return;
    scheduleTick();
    if (m_busy)
        return;

    Step &step = m_steps[m_next];
    if (m_stepStartedMs < 0)
        m_stepStartedMs = nowMs();

    switch (step.kind) {
    case Kind::Wait:
        if (step.condition()) {
            ++m_next;
            m_stepStartedMs = -1;
        } else if (nowMs() - m_stepStartedMs > step.timeoutMs) {
            fail(QStringLiteral("gave up after %1 s waiting for: %2")
                     .arg(step.timeoutMs / 1000.0)
                     .arg(step.what));
        }
        break;
    case Kind::Act: {
        const auto action = step.action;
        ++m_next;
        m_stepStartedMs = -1;
        m_busy = true;
        action();
        m_busy = false;
        break;
    }
    case Kind::ActLongRunning: {
        const auto action = step.action;
        ++m_next;
        m_stepStartedMs = -1;
        action();
        break;
    }
    }
}

void ScriptedUser::fail(const QString &failure)
{
    m_failed = true;
    if (onFailure)
        onFailure(failure);
}

void typeInto(QWidget *field, const QString &text)
{
    field->activateWindow();
    field->setFocus(Qt::MouseFocusReason);
    if (auto *line = qobject_cast<QLineEdit *>(field))
        line->selectAll();
    QTest::keyClicks(field, text);
}

void clickOn(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

void clickAt(QWidget *widget, int x, int y)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
}

} // namespace dcf::driver
