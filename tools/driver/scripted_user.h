#pragma once

// A user who follows a script: types, clicks and waits for what the windows show. The script runs
// from timer ticks, so it goes on while the reception and the running clock hold the thread inside
// the Start click: their event processing delivers the ticks.

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace dcf::driver {

class ScriptedUser
{
public:
    explicit ScriptedUser(int tickMs = 20);

    /// An action that returns quickly (typing, a click on Hide); no further step starts before it
    /// has returned.
    ScriptedUser &act(QString what, std::function<void()> action);
    /// An action that holds the thread (the Start click): the next steps go on from the event
    /// processing inside it.
    ScriptedUser &actLongRunning(QString what, std::function<void()> action);
    /// Waits until `condition` holds; fails after `timeoutMs`.
    ScriptedUser &waitFor(QString what, std::function<bool()> condition, int timeoutMs);
    /// Waits a while.
    ScriptedUser &pause(int ms);

    /// Called once when a step fails (the default prints the failure).
    std::function<void(const QString &failure)> onFailure;

    /// Starts the ticks; the script begins at the next event processing.
    void begin();

    bool isDone() const { return m_next >= m_steps.size() && !m_failed; }
    bool hasFailed() const { return m_failed; }
    /// The step the script is at, for progress messages.
    QString currentStep() const;

private:
    enum class Kind { Act, ActLongRunning, Wait };
    struct Step
    {
        Kind kind;
        QString what;
        std::function<void()> action;
        std::function<bool()> condition;
        int timeoutMs = 0;
    };

    void scheduleTick();
    void tick();
    void fail(const QString &failure);

    QObject m_context;
    int m_tickMs;
    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    qint64 m_stepStartedMs = -1;
    bool m_busy = false;
    bool m_failed = false;
};

/// Typing as a user: focus the field, select what is there, type `text` key by key.
void typeInto(QWidget *field, const QString &text);
/// A left click in the middle of `widget`.
void clickOn(QWidget *widget);
/// A left click at `x`, `y` pixels of `widget`.
void clickAt(QWidget *widget, int x, int y);

} // namespace dcf::driver
