// Every control stands where the design puts it, at 15 twips to a pixel, with its caption and in
// its colours; both windows have their client sizes. Twips outside what a window system takes are
// clamped.

#include "platform/twips.h"
#include "qt_program_fixture.h"
#include "ui/clock_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
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

TEST_F(QtProgramTest, DesignColoursAreDrawnAsTheirRgbValues)
{
    const auto pixel = [](QWidget *widget, QPoint at) {
        return widget->grab().toImage().pixelColor(at);
    };
    const auto hasPixel = [](QWidget *widget, const QColor &colour) {
        const QImage image = widget->grab().toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == colour)
                    return true;
            }
        }
        return false;
    };
    MainWindow &w = program.frmDCF77;
    ClockWindow &clock = program.frmZeit();
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
    EXPECT_TRUE(hasPixel(widget(clock.lblB(0)), QColor(255, 255, 128))) << "light yellow text";
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
