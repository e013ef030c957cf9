// The main window: its texts and bit rows, which are easy to get wrong when laying the window out,
// and the behaviour of its controls.

#include "ui/main_window.h"

#include <cctype>
#include <gtest/gtest.h>
#include <stdexcept>

namespace dcf {
namespace {

TEST(MainWindowDesign, CaptionsAreVerbatimBlanksIncluded)
{
    const MainWindow w;
    const std::pair<const Label *, const char *> labels[] = {
        {&w.Label2, "Puls-Länge [s]"},
        {&w.Label8, "Impuls <       30 [ms]"},
        {&w.Label14, "Pause      < 58 Pulse"},
        {&w.lblA(1), "Im Moment haben wir die Mitteleuropäische"},
        {&w.Label13(59), "00 Minutenbeginn --> immer \"0\""},
        {&w.Label13(2), "03 (Wetter"},
        {&w.Label13(27), "28 Minute Prüfbit"},
        {&w.Label13(56), "57 Jahr           80"},
    };
    for (const auto &[label, caption] : labels)
        EXPECT_EQ(label->caption(), caption) << label->displayName();
}

TEST(MainWindowDesign, EachBitCaptionNamesItsSecondBesideItsBoxAndAlignsTheWeights)
{
    const MainWindow window;
    for (int second = 0; second < 60; ++second) {
        const Label &label = window.Label13((second + 59) % 60);
        const std::string &caption = label.caption();
        EXPECT_EQ(caption.substr(0, 2),
                  (std::string {char('0' + second / 10), char('0' + second % 10)}));
        // A weight ends in column 20, where the fixed-pitch font lines them up.
        EXPECT_TRUE(!std::isdigit(static_cast<unsigned char>(caption.back()))
                    || caption.size() == 20)
            << caption;
        const Rect box = window.chkPuls(second).geometry();
        EXPECT_EQ(label.geometry().top, box.top) << "second " << second;
        EXPECT_EQ(label.geometry().left, box.left + 360) << "second " << second;
    }
}

TEST(MainWindowControls, BehaveAsTheUserExpects)
{
    MainWindow window;
    // Option buttons: one on clears the other; one off leaves the other as it is.
    window.optPuls01.setValue(true);
    window.optPuls02.click();
    EXPECT_FALSE(window.optPuls01.value());
    window.optPuls02.setValue(false);
    EXPECT_FALSE(window.optPuls01.value() || window.optPuls02.value());

    // A click toggles a bit; a grey box becomes ticked; no fourth state.
    CheckBox &box = window.chkPuls(17);
    box.click();
    EXPECT_EQ(box.value(), CheckBox::Checked);
    box.click();
    EXPECT_EQ(box.value(), CheckBox::Unchecked);
    box.setValue(CheckBox::Grayed);
    box.click();
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_THROW(box.setValue(3), std::invalid_argument);

    // Scroll bars clamp to their range and report only changes.
    int changes = 0;
    window.HScroll1.onChange = [&] {
        ++changes;
    };
    window.HScroll1.userSetValue(-5000);
    window.HScroll1.arrowClick(-1);
    EXPECT_EQ(window.HScroll1.value(), -3000);
    EXPECT_EQ(changes, 1);

    EXPECT_THROW(window.chkPuls(60), std::out_of_range);
    EXPECT_THROW(window.lblA(-1), std::out_of_range);
}

} // namespace
} // namespace dcf
