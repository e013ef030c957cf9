// Exit pressed while the reception waits nested in event processing: the reception ends at once,
// the application's event loop ends, and nothing more reaches the screen.

#include "qt_program_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace dcf::testing {
namespace {

using ExitTest = QtProgramTest;

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
    // A safety net only: a broken Exit would otherwise hang the test run.
    QTimer::singleShot(10'000, qApp, [this] {
        program.cmdExit_Click();
        QCoreApplication::exit(99);
    });

    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(waitedForInput);
    EXPECT_TRUE(program.ended());
    EXPECT_TRUE(desktop.hasQuit());
    EXPECT_FALSE(program.receptionActive());
    EXPECT_FALSE(mainSurface()->isVisible());

    // Whatever is still written after Exit stays off the screen.
    const int shown = host("frmDCF77").changesShown();
    serial.receive("1");
    w.txtZähl.setText("99");
    w.chkPuls(0).setValue(CheckBox::Checked);
    w.show();
    processEvents();
    EXPECT_EQ(host("frmDCF77").changesShown(), shown);
    EXPECT_EQ(widgetAs<QLineEdit>(w.txtZähl)->text(), QString());
    EXPECT_FALSE(mainSurface()->isVisible());
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
