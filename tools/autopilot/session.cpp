#include "session.h"

#include "ui/clock_window.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <cstdio>

namespace dcf::autopilot {

namespace {

constexpr int kWindowExposedTimeoutMs = 10000;

qint64 realNowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

void printLine(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

} // namespace

QMessageBox *Session::visibleMessageBox()
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(window);
        if (box && box->isVisible())
            return box;
    }
    return nullptr;
}

Session::Session(QString picturesDirectory, ProgramOptions options)
    : picturesDir(std::move(picturesDirectory))
    , qt(std::move(options))
    , m_startedAtMs(realNowMs())
{
    user.onFailure = [this](const QString &failure) {
        fail(mismatch.isEmpty() ? failure : failure + QStringLiteral("\n  ") + mismatch);
    };
}

Session::~Session() = default;

qint64 Session::elapsedMs() const
{
    return realNowMs() - m_startedAtMs;
}

int Session::run()
{
    qt.program.start();
    if (!QTest::qWaitForWindowExposed(surface(main()), kWindowExposedTimeoutMs)) {
        fail(QStringLiteral("the main window did not appear"));
        return kExitFailed;
    }
    user.begin();
    QApplication::exec();

    if (exitPressedAtMs >= 0) {
        say(QStringLiteral("The program has ended, %1 ms after Exit")
                .arg(realNowMs() - exitPressedAtMs));
    }
    if (!m_failed && !user.isDone()) {
        fail(QStringLiteral("the program ended before the script was done, at: %1")
                 .arg(user.currentStep()));
    }
    return m_failed ? kExitFailed : kExitPassed;
}

bool Session::startSimulator(int64_t startUtc, const QStringList &extraArguments)
{
    QStringList arguments {QStringLiteral("--start"),
                           QString::fromStdString(startOption(startUtc))};
    arguments += receiverArguments;
    arguments += extraArguments;
    const qint64 launchedAt = realNowMs();
    auto simulator = std::make_unique<driver::SimulatorProcess>(arguments);
    if (!simulator->start()) {
        fail(simulator->error());
        return false;
    }
    m_simulators.push_back(std::move(simulator));
    m_timelines.push_back({startUtc, launchedAt});
    say(QStringLiteral("Simulator on %1, sending %2 %3")
            .arg(m_simulators.back()->devicePath(), arguments.at(1),
                 (receiverArguments + extraArguments).join(' '))
            .trimmed());
    return true;
}

QWidget *Session::widget(const Control &control)
{
    QWidget *found = qt.widget(control);
    if (!found)
        fail(QStringLiteral("%1 has no widget").arg(QString::fromStdString(control.displayName())));
    return found;
}

QWidget *Session::surface(const Window &window)
{
    QWidget *found = qt.surface(window);
    if (!found)
        fail(QStringLiteral("%1 is not on the desktop").arg(QString::fromStdString(window.name())));
    return found;
}

QString Session::caption(const Label &label)
{
    // The label view publishes its caption as its accessible name.
    const QWidget *shown = widget(label);
    return shown ? shown->accessibleName() : QString();
}

QString Session::text(const TextBox &box)
{
    const auto *line = qobject_cast<QLineEdit *>(widget(box));
    return line ? line->text() : QString();
}

bool Session::isChecked(const CheckBox &box)
{
    const auto *check = qobject_cast<QCheckBox *>(widget(box));
    return check && check->checkState() == Qt::Checked;
}

bool Session::isShown(const Window &window)
{
    const QWidget *shown = qt.surface(window);
    return shown && shown->isVisible();
}

bool Session::isShown(const Control &control)
{
    const QWidget *shown = qt.widget(control);
    return shown && shown->isVisible();
}

QString Session::secondsShown(const Label &label)
{
    return QString::fromStdString(visibleSeconds(caption(label).toStdString()));
}

bool Session::panelShown()
{
    for (int index = 0; index <= MainWindow::kLastPanelLabel; ++index) {
        if (!isShown(main().lblA(index)))
            return false;
    }
    return true;
}

std::vector<std::string> Session::panelRows()
{
    return autopilot::panelRows(
        [this](int index) { return caption(main().lblA(index)).toStdString(); });
}

void Session::say(const QString &line)
{
    printLine(QStringLiteral("[%1 s] %2").arg(elapsedMs() / 1000.0, 6, 'f', 1).arg(line));
}

void Session::show(const QString &line)
{
    printLine(QStringLiteral("           ") + line);
}

void Session::fail(const QString &why)
{
    if (m_failed)
        return;
    m_failed = true;
    m_failure = why;
    say(QStringLiteral("FAILED: ") + why);
    if (const QMessageBox *box = visibleMessageBox())
        show(QStringLiteral("A message box is open: ") + box->text());
    // Ends the program the way Exit does, so that every routine unwinds and exec() returns.
    if (!qt.program.ended())
        qt.program.exit();
}

} // namespace dcf::autopilot
