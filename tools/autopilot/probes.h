#pragma once

// Things a scenario watches that the widgets alone do not tell at a glance: the process's memory,
// the message box the program opens, and the history of a display box whose state lasts only a
// moment (an error counter on red is cleared by the next attempt within a second).

#include <QColor>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class QLineEdit;
class QMessageBox;

namespace dcf::autopilot {

/// The resident memory of this process in bytes (0 where the system does not tell).
int64_t residentMemoryBytes();

/// The message box on the screen, or null.
QMessageBox *visibleMessageBox();

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

} // namespace dcf::autopilot
