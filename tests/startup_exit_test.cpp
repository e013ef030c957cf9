// Start-up of the program and Exit, also from inside a long loop that yields to the window system.

#include "program/program.h"
#include "virtual_platform.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace dcf {
namespace {

class StartupExit : public ::testing::Test
{
protected:
    StartupExit()
    {
        vp.desktop.screenWidthTwips = 19200;
        vp.desktop.screenHeightTwips = 15360;
    }

    testing::FakeWindowHost &mainHost() const
    {
        testing::FakeWindowHost *host = vp.desktop.host("frmDCF77");
        if (!host)
            throw std::logic_error("main window not attached");
        return *host;
    }

    testing::VirtualPlatform vp;
    Program program {vp.platform()};
    MainWindow &window = program.frmDCF77;
};

TEST_F(StartupExit, StartsCentredWithEverythingElseClear)
{
    program.g.i = 7;
    program.start();

    EXPECT_EQ(program.g.i, 21);
    EXPECT_EQ(window.txtLeft.text(), "1905");
    EXPECT_EQ(window.txtTop.text(), "2475");
    EXPECT_EQ(window.left(), 1905);
    EXPECT_EQ(window.top(), 2475);
    EXPECT_TRUE(mainHost().isShown());
    for (const Control *control : window.controls()) {
        const auto *box = dynamic_cast<const TextBox *>(control);
        if (box && box != &window.txtLeft && box != &window.txtTop) {
            EXPECT_EQ(box->text(), "") << box->displayName();
        }
    }
    EXPECT_EQ(vp.serial.opens, 0);
    EXPECT_FALSE(program.clockWindowExists());
    EXPECT_FALSE(program.receptionActive());
}

TEST_F(StartupExit, WindowWiderThanTheScreenOpensLeftOfIt)
{
    vp.desktop.screenWidthTwips = 12000;
    vp.desktop.twipsPerPixel = 1;
    vp.desktop.frameWidth = 105; // outer width 15375
    program.start();
    EXPECT_EQ(window.txtLeft.text(), "-1688");
    EXPECT_EQ(window.left(), -1688);
}

TEST_F(StartupExit, ExitStopsALongLoopAtOnceAndDrawsNothingAfterwards)
{
    program.start();
    int rounds = 0;
    bool returnedNormally = false;
    // Stands in for the reception: yields every 10 ms and writes a display each round.
    window.cmdStart.onClick = [&] {
        for (;;) {
            program.receptionContext().events.processPendingEvents();
            ++rounds;
            window.txtZähl.setText(std::to_string(rounds));
            program.platform.time.sleep(10);
        }
        returnedNormally = true;
    };
    vp.at(505, [&] { window.cmdExit.click(); });

    EXPECT_NO_THROW(window.cmdStart.click());

    EXPECT_FALSE(returnedNormally);
    EXPECT_EQ(rounds, 51); // rounds at 0, 10, ..., 500; the one at 510 sees the Exit
    EXPECT_EQ(vp.now(), 510);
    EXPECT_TRUE(program.ended());
    EXPECT_TRUE(mainHost().closed);
    EXPECT_FALSE(mainHost().isShown());
    EXPECT_TRUE(vp.desktop.quitRequested);
    EXPECT_EQ(vp.desktop.drawn.size(), vp.desktop.drawnAtQuit);
    EXPECT_EQ(window.txtZähl.text(), "51");
}

TEST_F(StartupExit, ExitAlsoClosesAnExistingClockWindow)
{
    program.start();
    program.frmZeit();
    window.cmdExit.click();
    EXPECT_TRUE(vp.desktop.host("frmZeit")->closed);
    EXPECT_TRUE(vp.desktop.quitRequested);
    // A later Start does nothing once the program has ended.
    window.cmdStart.click();
    EXPECT_FALSE(program.receptionActive());
    EXPECT_EQ(vp.serial.opens, 0);
}

} // namespace
} // namespace dcf
