#include <QApplication>
#include <gtest/gtest.h>

// Qt tests need one application object for the whole run (offscreen platform in CI).
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
