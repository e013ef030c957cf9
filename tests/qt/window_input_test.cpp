// Model writes reach the widgets at the next event processing; clicks, typing, scroll-bar steps
// and pointer movement reach the model the way the user meant them.

#include "qt_program_fixture.h"
#include "ui/clock_window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyleOptionSlider>

namespace dcf::testing {
namespace {

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

QPoint centreOf(QWidget *widget)
{
    return widget->geometry().center();
}

TEST_F(QtProgramTest, AWriteIsPaintedAtTheNextEventProcessingNotBefore)
{
    MainWindow &w = program.frmDCF77;
    processEvents();
    QWidget *label = widget(w.Label12(1));
    PaintCounter counter(label);

    w.Label12(1).setCaption("x");
    EXPECT_EQ(counter.paints, 0) << "drawn at once instead of at the next event processing";
    processEvents();
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(label->accessibleName(), QStringLiteral("x"));
}

TEST_F(QtProgramTest, ModelWritesReachTheirWidgets)
{
    MainWindow &w = program.frmDCF77;
    w.txtZähl.setText("42");
    w.chkPuls(5).setValue(CheckBox::Checked);
    w.chkPuls(5).setBackColor(colors::kRed);
    w.lblA(3).setVisible(true);
    w.optPuls02.setValue(true);
    processEvents();

    EXPECT_EQ(widgetAs<QLineEdit>(w.txtZähl)->text(), QStringLiteral("42"));
    auto *box = widgetAs<QCheckBox>(w.chkPuls(5));
    EXPECT_EQ(box->checkState(), Qt::Checked);
    EXPECT_EQ(box->palette().color(box->backgroundRole()), QColor(255, 0, 0));
    EXPECT_TRUE(widget(w.lblA(3))->isVisible());
    EXPECT_TRUE(widgetAs<QAbstractButton>(w.optPuls02)->isChecked());

    w.chkPuls(5).setValue(CheckBox::Grayed);
    EXPECT_EQ(box->checkState(), Qt::PartiallyChecked);

    // The model may switch off the only button that is on; the widget follows.
    w.optPuls02.setValue(false);
    EXPECT_FALSE(widgetAs<QAbstractButton>(w.optPuls02)->isChecked());
}

TEST_F(QtProgramTest, ClicksOnBitBoxesAndOptionButtonsReachTheModel)
{
    MainWindow &w = program.frmDCF77;
    auto *box = widgetAs<QCheckBox>(w.chkPuls(21));
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(w.chkPuls(21).value(), CheckBox::Checked);
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(w.chkPuls(21).value(), CheckBox::Unchecked);
    EXPECT_FALSE(box->isChecked());

    auto *first = widgetAs<QAbstractButton>(w.optPuls01);
    auto *second = widgetAs<QAbstractButton>(w.optPuls02);
    QTest::mouseClick(second, Qt::LeftButton);
    QTest::mouseClick(first, Qt::LeftButton);
    EXPECT_TRUE(w.optPuls01.value());
    EXPECT_FALSE(w.optPuls02.value());
    EXPECT_FALSE(second->isChecked());
    // A click on the button that is already on leaves it on.
    QTest::mouseClick(first, Qt::LeftButton);
    EXPECT_TRUE(w.optPuls01.value());
    EXPECT_TRUE(first->isChecked());
}

QPoint pointOf(QScrollBar *bar, QStyle::SubControl part)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
}

TEST_F(QtProgramTest, ScrollBarClicksAndDragsChangeTheModelOnceEach)
{
    ScrollBar &model = program.frmDCF77.HScroll1;
    int *changes = countRuns(model.onChange);
    auto *bar = widgetAs<QScrollBar>(model);

    QTest::mouseClick(bar, Qt::LeftButton, {}, pointOf(bar, QStyle::SC_ScrollBarAddLine));
    QTest::mouseClick(bar, Qt::LeftButton, {}, pointOf(bar, QStyle::SC_ScrollBarSubPage));
    EXPECT_EQ(model.value(), 1 - 100);
    EXPECT_EQ(*changes, 2);

    const QPoint thumb = pointOf(bar, QStyle::SC_ScrollBarSlider);
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, thumb + QPoint(30, 0));
    QTest::mouseMove(bar, thumb + QPoint(60, 0));
    EXPECT_EQ(*changes, 2) << "followed the thumb while it was dragged";
    QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(60, 0));
    EXPECT_EQ(*changes, 3);
    EXPECT_GT(model.value(), 0);
    EXPECT_EQ(bar->value(), model.value());

    ScrollBar &clockBar = program.frmZeit().hsc1;
    int *clockChanges = countRuns(clockBar.onChange);
    clockBar.setMaximum(2000); // written by the program: no user change
    EXPECT_EQ(widgetAs<QScrollBar>(clockBar)->maximum(), 2000);
    EXPECT_EQ(*clockChanges, 0);
}

TEST_F(QtProgramTest, TypingIntoTheLeftFieldMovesTheWindow)
{
    MainWindow &w = program.frmDCF77;
    auto *field = widgetAs<QLineEdit>(w.txtLeft);
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, "2880");

    EXPECT_EQ(w.txtLeft.text(), "2880");
    EXPECT_EQ(w.left(), 2880.0f);
    EXPECT_EQ(mainSurface()->pos().x(), 2880 / 15);
}

TEST_F(QtProgramTest, PointerMovementCountsOnlyOverTheFreeSurface)
{
    MainWindow &w = program.frmDCF77;
    int *moves = countRuns(w.onMouseMove);
    QWindow *window = mainSurface()->windowHandle();

    QTest::mouseMove(window, centreOf(widget(w.cmdStart)));
    QTest::mouseMove(window, centreOf(widget(w.Label13(4))));
    QTest::mouseMove(window, centreOf(widget(w.txtZähl)));
    processEvents();
    EXPECT_EQ(*moves, 0);

    QTest::mouseMove(window, QPoint(5, 500)); // left margin, below the character line
    processEvents();
    EXPECT_GE(*moves, 1);
}

TEST_F(QtProgramTest, ClockWindowSwapsBackOnABackgroundClickButNotOnALabel)
{
    QTest::mouseClick(widget(program.frmDCF77.cmdHide), Qt::LeftButton);
    ClockWindow &clock = program.frmZeit();
    QWidget *clockSurface = host(clock.name()).surface();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clockSurface));
    EXPECT_FALSE(mainSurface()->isVisible());
    EXPECT_TRUE(widget(clock.lblB(12))->isVisible());

    QWindow *window = clockSurface->windowHandle();
    QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(widget(clock.lblB(0))));
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

} // namespace
} // namespace dcf::testing
