#include "probes.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <unistd.h>

namespace dcf::autopilot {

int64_t residentMemoryBytes()
{
    // The second field of statm: resident pages.
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return 0;
    return fields.at(1).toLongLong() * static_cast<int64_t>(sysconf(_SC_PAGESIZE));
}

QMessageBox *visibleMessageBox()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(window);
        if (box && box->isVisible())
            return box;
    }
    return nullptr;
}

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

} // namespace dcf::autopilot
