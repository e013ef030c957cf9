// Exit pressed while a long routine runs nested in event processing: the routine ends at once,
// the application's event loop ends, and nothing more reaches the screen.

#include "qt_program_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace dcf::testing {
namespace {

class ExitTest : public QtProgramTest
{
protected:
    /// Clicks `control`'s widget from the application's event loop, as the user would.
    void clickSoon(const Control &control)
    {
        QWidget *target = widget(control);
        QTimer::singleShot(0, target, [target] { QTest::mouseClick(target, Qt::LeftButton); });
    }

    /// Runs the application's event loop until the program ends it; returns its exit code.
    int runApplication()
    {
        // A safety net only: a broken Exit would otherwise hang the test run. It ends with the
        // test, or it would fire into a later one.
        QTimer::singleShot(10'000, &m_testAlive, [this] {
            program.cmdExit_Click();
            QCoreApplication::exit(99);
        });
        return QApplication::exec();
    }

private:
    QObject m_testAlive;
};

TEST_F(ExitTest, ExitEndsALongLoopAtOnceAndNothingMoreIsDrawn)
{
    MainWindow &w = program.frmDCF77;
    int steps = 0;
    bool unwound = false;
    // A long routine in the manner of the reception: writes the screen and yields after each step.
    w.cmdStart.onClick = [&] {
        try {
            for (;;) {
                ++steps;
                w.txtZähl.setText(std::to_string(steps));
                if (steps == 3)
                    clickSoon(w.cmdExit);
                program.receptionContext().events.processPendingEvents();
            }
        } catch (const RoutineInterrupted &) {
            unwound = true;
            throw;
        }
    };
    clickSoon(w.cmdStart);

    EXPECT_EQ(runApplication(), 0);
    EXPECT_TRUE(unwound);
    EXPECT_EQ(steps, 3) << "the loop went on after Exit";
    EXPECT_TRUE(program.ended());
    EXPECT_TRUE(desktop.hasQuit());
    EXPECT_FALSE(mainSurface()->isVisible());

    // Whatever is still written after Exit stays off the screen.
    const int shown = host("frmDCF77").changesShown();
    w.txtZähl.setText("99");
    w.chkPuls(0).setValue(CheckBox::Checked);
    EXPECT_EQ(host("frmDCF77").changesShown(), shown);
    EXPECT_EQ(widgetAs<QLineEdit>(w.txtZähl)->text(), QStringLiteral("3"));
    w.show();
    EXPECT_FALSE(mainSurface()->isVisible());
}

TEST_F(ExitTest, ExitWhileTheReceptionWaitsForACharacterEndsTheProgram)
{
    MainWindow &w = program.frmDCF77;
    w.txtComPort.setText("1");
    // Exit is pressed once the reception has opened the port and waits for input.
    bool waitedForInput = false;
    std::function<void()> exitWhenWaiting = [&] {
        if (!program.receptionActive() || !serial.isOpen()) {
            QTimer::singleShot(0, qApp, exitWhenWaiting);
            return;
        }
        waitedForInput = true;
        QTest::mouseClick(widget(w.cmdExit), Qt::LeftButton);
    };
    QTimer::singleShot(0, qApp, [&] {
        // Posted from here, so that the reception's own event processing delivers it.
        QTimer::singleShot(0, qApp, exitWhenWaiting);
        QTest::mouseClick(widget(w.cmdStart), Qt::LeftButton);
    });

    EXPECT_EQ(runApplication(), 0);
    EXPECT_TRUE(waitedForInput);
    EXPECT_FALSE(program.receptionActive());
    EXPECT_FALSE(mainSurface()->isVisible());

    const int shown = host("frmDCF77").changesShown();
    serial.receive("1");
    w.txtSign.setText("1");
    EXPECT_EQ(host("frmDCF77").changesShown(), shown);
}

TEST_F(ExitTest, TheFrameCloseButtonIsOnlyARequest)
{
    int requests = 0;
    program.frmDCF77.onCloseRequest = [&] {
        ++requests;
    };
    mainSurface()->close();
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(mainSurface()->isVisible()) << "the program decides what a close request means";
}

TEST_F(ExitTest, AFaultInAReactionIsReportedAndTheProgramGoesOn)
{
    program.frmDCF77.cmdHide.onClick = [] {
        throw std::runtime_error("kaputt");
    };
    // The report is a modal box; read and close it from inside its own event loop.
    QString reported;
    QTimer::singleShot(0, qApp, [&reported] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            reported = box->text();
            box->accept();
        }
    });
    QTest::mouseClick(widget(program.frmDCF77.cmdHide), Qt::LeftButton);
    EXPECT_EQ(reported, QStringLiteral("Interner Fehler: kaputt"));
    EXPECT_TRUE(mainSurface()->isVisible());
}

} // namespace
} // namespace dcf::testing
