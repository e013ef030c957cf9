// The main window's control set: the texts and the bit rows, which are easy to get wrong when
// laying the window out.

#include "ui/main_window.h"

#include <cctype>
#include <gtest/gtest.h>

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
        {&w.Label13(27), "28 Minute Prüfbit"},
        {&w.Label13(56), "57 Jahr           80"},
    };
    for (const auto &[label, caption] : labels)
        EXPECT_EQ(label->caption(), caption) << label->displayName();
    EXPECT_EQ(w.optPuls02.caption(), "        fertig");
}

TEST(MainWindowDesign, BitCaptionsNameTheirSecondAndAlignTheWeights)
{
    const MainWindow window;
    for (int index = 0; index < 60; ++index) {
        const std::string &caption = window.Label13(index).caption();
        const int second = (index + 1) % 60;
        const std::string twoDigits {char('0' + second / 10), char('0' + second % 10)};
        EXPECT_EQ(caption.substr(0, 2), twoDigits) << "Label13(" << index << ")";
        // A caption that ends in a weight ends it in column 20 (the fixed-pitch font lines
        // them up).
        if (std::isdigit(static_cast<unsigned char>(caption.back()))) {
            EXPECT_EQ(caption.size(), 20u) << caption;
        }
    }
}

TEST(MainWindowDesign, EachBitCaptionStandsBesideItsBox)
{
    const MainWindow window;
    for (int second = 0; second < 60; ++second) {
        const Rect box = window.chkPuls(second).geometry();
        const Rect caption = window.Label13((second + 59) % 60).geometry();
        EXPECT_EQ(caption.top, box.top) << "second " << second;
        EXPECT_EQ(caption.left, box.left + 360) << "second " << second;
    }
}

} // namespace
} // namespace dcf
