// The whole program on the real Qt layer (offscreen), with the serial port replaced by the fake
// one: every control stands where the design puts it, in its colours; model writes reach the
// widgets at the next event processing; clicks, typing, scroll-bar steps and pointer movement
// reach the model the way the user meant them; the focus starts in the port field, Tab passes the
// readings by, and the port field shows its whole text and suggestions although it is two
// characters wide; Exit while the reception waits ends the program and nothing more reaches the
// screen.

#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_time_base.h"
#include "platform/qt/window_view.h"
#include "program/program.h"
#include "virtual_platform.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCompleter>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

namespace dcf::testing {
namespace {

constexpr int kTwipsPerPixel = 15;

class QtProgramTest : public ::testing::Test, public ProgramObserver
{
protected:
    void SetUp() override
    {
        program.start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mainSurface()));
    }

    QtWindowHost &host(const std::string &windowName) const { return *desktop.host(windowName); }
    QWidget *mainSurface() const { return host("frmDCF77").surface(); }
    /// The widget that shows `control`, as the kind of widget expected.
    template<typename W = QWidget> W *widget(const Control &control) const
    {
        if (W *found = qobject_cast<W *>(host(control.window().name()).widgetOf(control)))
            return found;
        throw std::runtime_error(control.displayName() + " has no widget of the kind expected");
    }

    static void processEvents() { QCoreApplication::processEvents(); }
    /// The main window active, as the user finds it after the start.
    void activate() const
    {
        mainSurface()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(mainSurface()));
    }
    static std::string focusName()
    {
        const QWidget *focus = QApplication::focusWidget();
        return focus ? focus->objectName().toStdString() : "nothing";
    }
    void click(const Control &control) const { QTest::mouseClick(widget(control), Qt::LeftButton); }
    void routineEnded(Routine routine, RoutineEnd how) override { ends.emplace_back(routine, how); }
    /// Reads and closes the next modal message box from inside its own event loop, whenever it
    /// opens.
    void answerNextMessage()
    {
        auto *poll = new QTimer(&testAlive);
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                std::tie(icon, text) = std::pair(box->icon(), box->text());
                box->accept();
                poll->deleteLater();
            }
        });
        poll->start(10);
    }

    QtTimeBase time;
    QtEventLoop events;
    FakeSerialPort serial;
    QtDesktop desktop;
    Platform platform {events, time, serial, desktop};
    Program program {platform, desktop};
    /// The context of the tests' timers: they end with the test instead of firing into a later
    /// one.
    QObject testAlive;
    std::vector<std::pair<Routine, RoutineEnd>> ends;
    /// The last message box answered.
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
};

TEST_F(QtProgramTest, EveryControlStandsAtItsDesignPixelsWithItsCaption)
{
    ASSERT_EQ(desktop.twipsPerPixel(), kTwipsPerPixel) << "the offscreen screen is 96 dpi";
    const std::pair<const Window *, const char *> windows[]
        = {{&program.mainWindow(), "DCF77"}, {&program.clockWindow(), "Zeit von DCF77"}};
    for (const auto &[window, title] : windows) {
        QWidget *surface = host(window->name()).surface();
        EXPECT_EQ(surface->size(),
                  QSize(window->design().clientWidth / kTwipsPerPixel,
                        window->design().clientHeight / kTwipsPerPixel));
        EXPECT_EQ(surface->windowTitle().toStdString(), title);
        for (const Control *control : window->controls()) {
            const Rect design = control->geometry();
            QWidget *shown = widget(*control);
            EXPECT_EQ(shown->geometry(),
                      QRect(design.left / kTwipsPerPixel, design.top / kTwipsPerPixel,
                            design.width / kTwipsPerPixel, design.height / kTwipsPerPixel))
                << control->displayName();
            if (const auto *label = dynamic_cast<const Label *>(control)) {
                EXPECT_EQ(shown->accessibleName().toStdString(), label->caption());
            }
        }
    }
    const MainWindow &w = program.mainWindow();
    const std::pair<const Control *, const char *> buttons[] = {{&w.cmdStart, "Start"},
                                                                {&w.cmdHide, "Hide"},
                                                                {&w.cmdExit, "Exit"},
                                                                {&w.optPuls01, "Puls"},
                                                                {&w.optPuls02, "        fertig"},
                                                                {&w.chk100, "Puls 100"},
                                                                {&w.chk200, "Puls 200"}};
    for (const auto &[control, caption] : buttons)
        EXPECT_EQ(widget<QAbstractButton>(*control)->text().toStdString(), caption);
    EXPECT_FALSE(mainSurface()->windowIcon().isNull());
    EXPECT_FALSE(host("frmZeit").surface()->isVisible()) << "the clock window is created hidden";
}

TEST_F(QtProgramTest, DesignColoursAreDrawnAsTheirRgbValues)
{
    const auto pixel = [](QWidget *widget, QPoint at) {
        return widget->grab().toImage().pixelColor(at);
    };
    MainWindow &w = program.mainWindow();
    ClockWindow &clock = program.clockWindow();
    clock.lblB(0).setVisible(true);
    clock.lblB(12).setVisible(true);
    processEvents();

    EXPECT_EQ(pixel(mainSurface(), {2, 2}), QColor(255, 224, 192)); // light peach
    EXPECT_EQ(pixel(widget(w.Label1), {1, 1}), QColor(192, 255, 255)); // light cyan
    EXPECT_EQ(pixel(widget(w.lblComPort), {1, 1}), QColor(255, 224, 192));
    QWidget *box = widget(w.txtZähl);
    EXPECT_EQ(pixel(box, box->rect().center()), QColor(0, 0, 0));
    EXPECT_EQ(box->palette().color(box->foregroundRole()), QColor(255, 255, 255));
    QWidget *bit = widget(w.chkPuls(0)); // the theme's button face until a bit is received
    EXPECT_EQ(bit->palette().color(bit->backgroundRole()),
              QApplication::palette().color(QPalette::Button));

    EXPECT_EQ(pixel(host("frmZeit").surface(), {1, 1}), QColor(128, 64, 64));
    EXPECT_EQ(pixel(widget(clock.lblB(12)), {1, 1}), QColor(128, 64, 0));
    const QImage image
        = widget(clock.lblB(0))->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto *pixels = reinterpret_cast<const QRgb *>(image.constBits());
    const auto *end = pixels + image.width() * image.height();
    EXPECT_NE(std::find(pixels, end, qRgb(255, 255, 128)), end) << "no light yellow text";
}

/// Counts the paint events of one widget.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *watched) { watched->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

/// Counts a reaction's runs and still runs the original one.
int *countRuns(Reaction &reaction)
{
    auto runs = std::make_shared<int>(0);
    reaction = [original = reaction, runs] {
        ++*runs;
        if (original)
            original();
    };
    return runs.get(); // the reaction keeps the counter alive
}

TEST_F(QtProgramTest, ModelWritesReachTheirWidgetsAndArePaintedAtTheNextEventProcessing)
{
    MainWindow &w = program.mainWindow();
    processEvents();
    PaintCounter counter(widget(w.Label12(1)));
    w.Label12(1).setCaption("x");
    w.chkPuls(5).setValue(CheckBox::Grayed);
    w.chkPuls(5).setBackColor(Color::rgb(255, 0, 0));
    w.lblA(3).setVisible(true);
    w.optPuls02.setValue(true);
    w.optPuls02.setValue(false); // the model may switch off the only button that is on
    EXPECT_EQ(counter.paints, 0) << "drawn at once instead of at the next event processing";
    processEvents();

    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(widget(w.Label12(1))->accessibleName(), QStringLiteral("x"));
    auto *box = widget<QCheckBox>(w.chkPuls(5));
    EXPECT_EQ(box->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(box->palette().color(box->backgroundRole()), QColor(255, 0, 0));
    EXPECT_TRUE(widget(w.lblA(3))->isVisible());
    EXPECT_FALSE(widget<QAbstractButton>(w.optPuls02)->isChecked());
}

TEST_F(QtProgramTest, ClicksAndScrollBarStepsAndDragsReachTheModelOnceEach)
{
    MainWindow &w = program.mainWindow();
    click(w.chkPuls(21));
    EXPECT_EQ(w.chkPuls(21).value(), CheckBox::Checked);
    click(w.chkPuls(21));
    EXPECT_EQ(w.chkPuls(21).value(), CheckBox::Unchecked);
    EXPECT_FALSE(widget<QCheckBox>(w.chkPuls(21))->isChecked());

    click(w.optPuls02);
    click(w.optPuls01);
    click(w.optPuls01); // a click on the button that is already on leaves it on
    EXPECT_EQ(std::make_tuple(w.optPuls01.value(), w.optPuls02.value()),
              std::make_tuple(true, false));
    EXPECT_TRUE(widget<QAbstractButton>(w.optPuls01)->isChecked());
    EXPECT_FALSE(widget<QAbstractButton>(w.optPuls02)->isChecked());

    ScrollBar &model = w.HScroll1;
    int *changes = countRuns(model.onChange);
    auto *bar = widget<QScrollBar>(model);

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); // an arrow clicked
    bar->triggerAction(QAbstractSlider::SliderPageStepSub); // the track clicked
    EXPECT_EQ(model.value(), 1 - 100);
    EXPECT_EQ(*changes, 2);

    bar->setSliderDown(true); // the thumb dragged
    bar->setSliderPosition(500);
    bar->setSliderPosition(900);
    EXPECT_EQ(*changes, 2) << "followed the thumb while it was dragged";
    bar->setSliderDown(false);
    EXPECT_EQ(*changes, 3);
    EXPECT_EQ(model.value(), 900);

    ScrollBar &clockBar = program.clockWindow().hsc1;
    int *clockChanges = countRuns(clockBar.onChange);
    clockBar.setMaximum(2000); // written by the program: no user change
    EXPECT_EQ(widget<QScrollBar>(clockBar)->maximum(), 2000);
    EXPECT_EQ(*clockChanges, 0);
}

TEST_F(QtProgramTest, FocusStartsInThePortFieldAndTabGoesOnToTheCommandsAndPlacement)
{
    activate();
    EXPECT_EQ(focusName(), "txtComPort");
    QTest::keyClicks(QApplication::focusWidget(), "/dev/ttyUSB0");
    EXPECT_EQ(program.mainWindow().txtComPort.text(), "/dev/ttyUSB0");

    const std::vector<std::string> forwards {"cmdStart", "cmdHide", "cmdExit",
                                             "txtLeft",  "txtTop",  "txtComPort"};
    for (const std::string &next : forwards) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focusName(), next);
    }
    for (auto next = forwards.rbegin() + 1; next != forwards.rend(); ++next) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(focusName(), *next);
    }
}

TEST_F(QtProgramTest, ReadingsCanBeCopiedButNotTypedOver)
{
    MainWindow &w = program.mainWindow();
    for (TextBox *reading :
         {&w.txtZähl, &w.txtZeit1, &w.txtZeit2, &w.txtDCF1, &w.txtDCF2, &w.txtFehler1,
          &w.txtFehler2, &w.txtFehler3, &w.txtPause, &w.txtPausZ, &w.txtSign, &w.txtZahl}) {
        reading->setText("17");
        auto *shown = widget<QLineEdit>(*reading);
        QTest::mouseClick(shown, Qt::LeftButton);
        QTest::keyClicks(shown, "9");
        EXPECT_EQ(reading->text() + "/" + shown->text().toStdString(), "17/17")
            << reading->displayName();
        QTest::keyClick(shown, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(shown, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), "17") << reading->displayName();
        EXPECT_TRUE(shown->toolTip().isEmpty()) << reading->displayName();
    }
    // Nor does Tab stop at them, or at the bits.
    for (const Control *passive :
         {static_cast<const Control *>(&w.txtZähl), static_cast<const Control *>(&w.chkPuls(0)),
          static_cast<const Control *>(&w.optPuls01)})
        EXPECT_FALSE(widget(*passive)->focusPolicy() & Qt::TabFocus) << passive->displayName();
}

TEST_F(QtProgramTest, ThePortFieldShowsItsWholeTextAndSuggestionsThatTypeOnlyTheirPath)
{
    const std::string path = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    const std::string longest = "/dev/ttyUSB0 – FT232R USB UART (Hersteller: FTDI)";
    MainWindow &w = program.mainWindow();
    w.txtComPort.onGotFocus = nullptr; // the view's part alone: the suggestions set directly
    w.txtComPort.setSuggestions({{"/dev/ttyS0", "/dev/ttyS0"}, {"/dev/ttyUSB0", longest}});
    auto *field = widget<QLineEdit>(w.txtComPort);
    w.txtComPort.setText(path);
    EXPECT_EQ(field->toolTip().toStdString(), path);
    EXPECT_EQ(field->width(), 435 / 15) << "the field keeps its designed size";

    // The field near the screen's right edge: the wide list must not run off it.
    w.setLeft(desktop.screenWidth() - 7000);
    activate();
    field->selectAll();
    QTest::keyClicks(field, "/dev/tty");
    QAbstractItemView *list = field->completer()->popup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(list->model()->index(1, 0).data().toString().toStdString(), longest);
    const int longestWidth = list->fontMetrics().horizontalAdvance(QString::fromStdString(longest));
    EXPECT_GE(list->viewport()->width(), longestWidth);
    EXPECT_LE(list->frameGeometry().right(), list->screen()->availableGeometry().right());

    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(w.txtComPort.text(), "/dev/ttyUSB0");
    EXPECT_EQ(field->text(), "/dev/ttyUSB0");
}

TEST_F(QtProgramTest, PointerMovementCountsOnlyOverTheFreeSurface)
{
    MainWindow &w = program.mainWindow();
    int *moves = countRuns(w.onMouseMove);
    QWindow *window = mainSurface()->windowHandle();

    QTest::mouseMove(window, widget(w.cmdStart)->geometry().center());
    QTest::mouseMove(window, widget(w.Label13(4))->geometry().center());
    QTest::mouseMove(window, widget(w.txtZähl)->geometry().center());
    processEvents();
    EXPECT_EQ(*moves, 0);

    QTest::mouseMove(window, QPoint(5, 500)); // left margin, below the character line
    processEvents();
    EXPECT_GE(*moves, 1);
}

TEST_F(QtProgramTest, ClockWindowSwapsBackOnABackgroundClickButNotOnALabel)
{
    click(program.mainWindow().cmdHide);
    ClockWindow &clock = program.clockWindow();
    QWidget *clockSurface = host(clock.name()).surface();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clockSurface));
    EXPECT_FALSE(mainSurface()->isVisible());
    EXPECT_TRUE(widget(clock.lblB(12))->isVisible());

    QWindow *window = clockSurface->windowHandle();
    QTest::mouseClick(window, Qt::LeftButton, {}, widget(clock.lblB(0))->geometry().center());
    processEvents();
    EXPECT_TRUE(clockSurface->isVisible()) << "a click on a label is no click on the window";

    // Between "Heute ist:" and the weekday label.
    const QRect first = widget(clock.lblB(0))->geometry();
    const QRect second = widget(clock.lblB(1))->geometry();
    ASSERT_LT(first.right() + 1, second.left());
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(first.right() + 2, first.center().y()));
    processEvents();
    EXPECT_FALSE(clockSurface->isVisible());
    EXPECT_TRUE(mainSurface()->isVisible());
}

TEST_F(QtProgramTest, ExitWhileTheReceptionWaitsForACharacterEndsTheProgram)
{
    program.addObserver(*this);
    MainWindow &w = program.mainWindow();
    w.txtComPort.setText("1");
    QTimer::singleShot(0, &testAlive, [&] { click(w.cmdStart); });
    // Exit once the reset's second has passed and the reception waits for input.
    bool waitedForInput = false;
    QTimer::singleShot(1500, &testAlive, [&] {
        waitedForInput = ends.empty() && serial.isOpen();
        click(w.cmdExit);
    });
    // A safety net only: a broken Exit would otherwise hang the test run.
    QTimer::singleShot(10'000, &testAlive, [this] {
        program.exit();
        QCoreApplication::exit(99);
    });

    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(waitedForInput);
    EXPECT_TRUE(program.ended());
    EXPECT_EQ(ends, (std::vector {std::pair {Routine::Reception, RoutineEnd::ProgramEnded}}));
    EXPECT_FALSE(mainSurface()->isVisible());

    // Whatever is still written after Exit stays off the screen.
    const int shown = host("frmDCF77").changesShown();
    serial.receive("1", time.microseconds());
    w.txtZähl.setText("99");
    w.chkPuls(0).setValue(CheckBox::Checked);
    w.show();
    processEvents();
    EXPECT_EQ(host("frmDCF77").changesShown(), shown);
    EXPECT_EQ(widget<QLineEdit>(w.txtZähl)->text(), QString());
    EXPECT_FALSE(mainSurface()->isVisible());
}

TEST_F(QtProgramTest, TheFrameCloseButtonIsOnlyARequest)
{
    int requests = 0;
    program.mainWindow().onCloseRequest = [&] {
        ++requests;
    };
    mainSurface()->close();
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(mainSurface()->isVisible()) << "the program decides what a close request means";
}

TEST_F(QtProgramTest, AnUnusablePortIsAWarningAndAFaultInAReactionAnError)
{
    answerNextMessage();
    click(program.mainWindow().cmdStart);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Es ist keine Schnittstelle angegeben.")))
        << text.toStdString();

    // A fault in a reaction is reported, and the program goes on.
    program.mainWindow().cmdHide.onClick = [] {
        throw std::runtime_error("kaputt");
    };
    answerNextMessage();
    click(program.mainWindow().cmdHide);
    EXPECT_EQ(text, QStringLiteral("Interner Fehler: kaputt."));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_TRUE(mainSurface()->isVisible());

    // Nor does a fault thrown as something other than an exception.
    program.mainWindow().cmdHide.onClick = [] {
        throw 7;
    };
    click(program.mainWindow().cmdHide);
    EXPECT_TRUE(mainSurface()->isVisible());
}

} // namespace
} // namespace dcf::testing
