#include "platform/qt/qt_look.h"

#include <QApplication>
#include <gtest/gtest.h>

// Qt tests need one application object for the whole run. Without a display (CI, and test
// discovery, which runs before any per-test environment applies) they use the offscreen platform.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    dcf::applyApplicationLook();
    return RUN_ALL_TESTS();
}
