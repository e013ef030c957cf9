// Every control stands where the design puts it, at 15 twips to a pixel, with its caption; both
// windows have their client sizes. Twips outside what a window system takes are clamped.

#include "clock/clock_window.h"
#include "platform/twips.h"
#include "qt_program_fixture.h"

#include <QAbstractButton>
#include <functional>
#include <limits>

namespace dcf::testing {
namespace {

constexpr int kTwipsPerPixel = 15;

struct Placement
{
    const char *name;
    std::function<Control &(Program &)> control;
    Rect twips; // design values
};

void PrintTo(const Placement &placement, std::ostream *out)
{
    *out << placement.name;
}

class ControlPlacement : public QtProgramTest, public ::testing::WithParamInterface<Placement>
{
};

TEST_P(ControlPlacement, StandsAtItsDesignPixels)
{
    ASSERT_EQ(desktop.twipsPerPixel(), kTwipsPerPixel) << "the offscreen screen is 96 dpi";
    const Placement &placement = GetParam();
    const Rect &design = placement.twips;
    EXPECT_EQ(widget(placement.control(program))->geometry(),
              QRect(design.left / kTwipsPerPixel, design.top / kTwipsPerPixel,
                    design.width / kTwipsPerPixel, design.height / kTwipsPerPixel));
}

INSTANTIATE_TEST_SUITE_P(
    Design, ControlPlacement,
    ::testing::Values(Placement {"cmdStart",
                                 [](Program &p) -> Control & { return p.frmDCF77.cmdStart; },
                                 {120, 9420, 1215, 375}},
                      Placement {"cmdHide",
                                 [](Program &p) -> Control & { return p.frmDCF77.cmdHide; },
                                 {1440, 9420, 1215, 375}},
                      Placement {"cmdExit",
                                 [](Program &p) -> Control & { return p.frmDCF77.cmdExit; },
                                 {2760, 9420, 1215, 375}},
                      Placement {"txtZaehl",
                                 [](Program &p) -> Control & { return p.frmDCF77.txtZähl; },
                                 {2520, 120, 1995, 495}},
                      Placement {"Label1",
                                 [](Program &p) -> Control & { return p.frmDCF77.Label1; },
                                 {240, 180, 2055, 315}},
                      Placement {"VScroll1",
                                 [](Program &p) -> Control & { return p.frmDCF77.VScroll1; },
                                 {7680, 4500, 315, 2475}},
                      Placement {"chkPuls0",
                                 [](Program &p) -> Control & { return p.frmDCF77.chkPuls(0); },
                                 {8160, 120, 255, 255}},
                      Placement {"chkPuls15",
                                 [](Program &p) -> Control & { return p.frmDCF77.chkPuls(15); },
                                 {8160, 4980, 255, 255}},
                      Placement {"chkPuls29",
                                 [](Program &p) -> Control & { return p.frmDCF77.chkPuls(29); },
                                 {12240, 120, 255, 255}},
                      Placement {"chkPuls59",
                                 [](Program &p) -> Control & { return p.frmDCF77.chkPuls(59); },
                                 {8160, 9540, 255, 255}},
                      Placement {"Label13_59",
                                 [](Program &p) -> Control & { return p.frmDCF77.Label13(59); },
                                 {8520, 120, 3495, 255}},
                      Placement {"Label13_28",
                                 [](Program &p) -> Control & { return p.frmDCF77.Label13(28); },
                                 {12600, 120, 2295, 255}},
                      Placement {"lblB8",
                                 [](Program &p) -> Control & { return p.frmZeit().lblB(8); },
                                 {780, 1320, 795, 735}},
                      Placement {"hsc1",
                                 [](Program &p) -> Control & { return p.frmZeit().hsc1; },
                                 {60, 2160, 4575, 255}}),
    [](const ::testing::TestParamInfo<Placement> &param) { return std::string(param.param.name); });

TEST_F(QtProgramTest, WindowsHaveTheirClientSizesAndCaptions)
{
    ASSERT_EQ(desktop.twipsPerPixel(), kTwipsPerPixel);
    EXPECT_EQ(mainSurface()->size(), QSize(15270 / kTwipsPerPixel, 9915 / kTwipsPerPixel));
    EXPECT_EQ(mainSurface()->windowTitle(), QStringLiteral("DCF77"));
    EXPECT_FALSE(mainSurface()->windowIcon().isNull());

    QWidget *clock = host(program.frmZeit().name()).surface();
    EXPECT_EQ(clock->size(), QSize(5115 / kTwipsPerPixel, 2520 / kTwipsPerPixel));
    EXPECT_EQ(clock->windowTitle(), QStringLiteral("Zeit von DCF77"));
    EXPECT_FALSE(clock->isVisible()) << "the clock window is created hidden";
}

TEST_F(QtProgramTest, ControlsShowTheirDesignCaptions)
{
    MainWindow &w = program.frmDCF77;
    EXPECT_EQ(widgetAs<QAbstractButton>(w.cmdStart)->text(), QStringLiteral("Start"));
    EXPECT_EQ(widgetAs<QAbstractButton>(w.cmdExit)->text(), QStringLiteral("Exit"));
    EXPECT_EQ(widgetAs<QAbstractButton>(w.optPuls02)->text(), QStringLiteral("        fertig"));
    EXPECT_EQ(widgetAs<QAbstractButton>(w.chk100)->text(), QStringLiteral("Puls 100"));
    EXPECT_EQ(widget(w.Label13(2))->accessibleName(), QStringLiteral("03 (Wetter"));
    EXPECT_EQ(widget(w.Label1)->accessibleName(), QStringLiteral("Puls-Zähler"));
    EXPECT_TRUE(widgetAs<QAbstractButton>(w.chkPuls(0))->text().isEmpty());
}

struct Clamping
{
    double twips;
    int pixels;
};

class TwipsToPixels : public ::testing::TestWithParam<Clamping>
{
};

TEST_P(TwipsToPixels, RoundsAndClampsWithoutFailing)
{
    EXPECT_EQ(twipsToPixels(GetParam().twips, kTwipsPerPixel), GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Coordinates, TwipsToPixels,
    ::testing::Values(Clamping {1905, 127}, Clamping {-1688, -113}, Clamping {7.4, 0},
                      Clamping {7.5, 1}, Clamping {1e12, 32767}, Clamping {-1e12, -32768},
                      Clamping {std::numeric_limits<double>::infinity(), 32767},
                      Clamping {-std::numeric_limits<double>::infinity(), -32768},
                      Clamping {std::numeric_limits<double>::quiet_NaN(), 0}));

} // namespace
} // namespace dcf::testing
