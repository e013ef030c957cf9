#include "ui/main_window.h"
#include "virtual_platform.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace dcf {
namespace {

TEST(WindowModel, TextChangeReactionRunsBeforeTheWriteReturns)
{
    MainWindow window;
    std::string seenInReaction;
    int reactions = 0;
    window.txtLeft.onChange = [&] {
        seenInReaction = window.txtLeft.text();
        ++reactions;
    };

    window.txtLeft.setText("1905");
    EXPECT_EQ(seenInReaction, "1905");
    EXPECT_EQ(reactions, 1);

    window.txtLeft.setText("1905"); // unchanged text: no change
    EXPECT_EQ(reactions, 1);
    window.txtLeft.setText("");
    EXPECT_EQ(reactions, 2);
}

TEST(WindowModel, OptionButtonsFormOneExclusiveGroup)
{
    MainWindow window;
    window.optPuls01.setValue(true);
    window.optPuls02.setValue(true);
    EXPECT_FALSE(window.optPuls01.value());
    window.optPuls01.click();
    EXPECT_TRUE(window.optPuls01.value());
    EXPECT_FALSE(window.optPuls02.value());

    // Switching one off leaves the other as it was; both may be off.
    window.optPuls02.setValue(false);
    EXPECT_TRUE(window.optPuls01.value());
    window.optPuls01.setValue(false);
    EXPECT_FALSE(window.optPuls01.value() || window.optPuls02.value());
}

TEST(WindowModel, CheckBoxHasThreeStatesAndTheClickToggles)
{
    MainWindow window;
    CheckBox &box = window.chkPuls(17);
    EXPECT_EQ(box.value(), CheckBox::Unchecked);
    box.click();
    EXPECT_EQ(box.value(), CheckBox::Checked);
    box.click();
    EXPECT_EQ(box.value(), CheckBox::Unchecked);
    box.setValue(CheckBox::Grayed);
    EXPECT_EQ(box.value(), CheckBox::Grayed);
    box.click();
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_THROW(box.setValue(3), std::invalid_argument);
    EXPECT_THROW(box.setValue(-1), std::invalid_argument);
}

TEST(WindowModel, ArrayIndexOutsideTheRangeIsCaught)
{
    MainWindow window;
    EXPECT_EQ(window.chkPuls(59).displayName(), "chkPuls(59)");
    EXPECT_THROW(window.chkPuls(60), std::out_of_range);
    EXPECT_THROW(window.chkPuls(-1), std::out_of_range);
    EXPECT_THROW(window.lblA(21), std::out_of_range);
}

TEST(WindowModel, EveryWriteNotifiesTheViewOnce)
{
    testing::FakeDesktop desktop;
    MainWindow window;
    window.attach(desktop);

    window.chkPuls(3).setValue(CheckBox::Checked);
    window.txtSign.setBackColor(colors::kBlack);
    window.lblA(20).setCaption("07");
    window.lblA(20).setVisible(true);
    const std::vector<std::string> expected {"chkPuls(3).Value", "txtSign.BackColor",
                                             "lblA(20).Caption", "lblA(20).Visible"};
    EXPECT_EQ(desktop.drawn, expected);
}

TEST(WindowModel, ScrollBarClampsUserValuesAndReportsOnlyChanges)
{
    MainWindow window;
    int changes = 0;
    window.HScroll1.onChange = [&] {
        ++changes;
    };
    window.HScroll1.arrowClick(+1);
    window.HScroll1.trackClick(-1);
    EXPECT_EQ(window.HScroll1.value(), -99);
    window.HScroll1.userSetValue(-5000);
    EXPECT_EQ(window.HScroll1.value(), -3000);
    window.HScroll1.arrowClick(-1); // already at the minimum
    EXPECT_EQ(changes, 3);
}

TEST(WindowModel, InterruptionEndsOnlyTheReactionThatSawIt)
{
    MainWindow window;
    bool afterThrow = false;
    window.cmdHide.onClick = [&] {
        throw RoutineInterrupted {RoutineInterrupted::Reason::ProgramEnded};
        afterThrow = true;
    };
    EXPECT_NO_THROW(window.cmdHide.click());
    EXPECT_FALSE(afterThrow);
}

} // namespace
} // namespace dcf
