// Every control stands where the design puts it, at 15 twips to a pixel, with its caption; both
// windows have their client sizes. Twips outside what a window system takes are clamped.

#include "platform/twips.h"
#include "qt_program_fixture.h"
#include "ui/clock_window.h"

#include <QAbstractButton>
#include <limits>

namespace dcf::testing {
namespace {

constexpr int kTwipsPerPixel = 15;

std::string captionOf(const Control &control)
{
    if (const auto *option = dynamic_cast<const OptionButton *>(&control))
        return option->caption();
    if (const auto *check = dynamic_cast<const CheckBox *>(&control))
        return check->caption();
    if (const auto *button = dynamic_cast<const CommandButton *>(&control))
        return button->caption();
    return {};
}

TEST_F(QtProgramTest, EveryControlStandsAtItsDesignPixelsWithItsCaption)
{
    ASSERT_EQ(desktop.twipsPerPixel(), kTwipsPerPixel) << "the offscreen screen is 96 dpi";
    for (const Window *window :
         std::initializer_list<const Window *> {&program.frmDCF77, &program.frmZeit()}) {
        QWidget *surface = host(window->name()).surface();
        EXPECT_EQ(surface->size(),
                  QSize(window->design().clientWidth / kTwipsPerPixel,
                        window->design().clientHeight / kTwipsPerPixel));
        EXPECT_EQ(surface->windowTitle().toStdString(), window->design().caption);
        for (const Control *control : window->controls()) {
            const Rect design = control->geometry();
            QWidget *shown = widget(*control);
            EXPECT_EQ(shown->geometry(),
                      QRect(design.left / kTwipsPerPixel, design.top / kTwipsPerPixel,
                            design.width / kTwipsPerPixel, design.height / kTwipsPerPixel))
                << control->displayName();
            if (const auto *label = dynamic_cast<const Label *>(control)) {
                EXPECT_EQ(shown->accessibleName().toStdString(), label->caption());
            } else if (auto *button = qobject_cast<QAbstractButton *>(shown)) {
                EXPECT_EQ(button->text().toStdString(), captionOf(*control))
                    << control->displayName();
            }
        }
    }
    EXPECT_FALSE(mainSurface()->windowIcon().isNull());
    EXPECT_FALSE(host("frmZeit").surface()->isVisible()) << "the clock window is created hidden";
}

TEST(TwipsToPixels, RoundsAndClampsWithoutFailing)
{
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const std::pair<double, int> table[] = {
        {1905, 127},        {-1688, -113},        {7.4, 0},
        {7.5, 1},           {1e12, 32767},        {-1e12, -32768},
        {kInfinity, 32767}, {-kInfinity, -32768}, {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto &[twips, pixels] : table)
        EXPECT_EQ(twipsToPixels(twips, kTwipsPerPixel), pixels) << twips;
}

} // namespace
} // namespace dcf::testing
