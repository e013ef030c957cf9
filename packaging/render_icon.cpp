// Renders the program's icon to PNG files for the desktop's icon theme, with the very code that
// draws the window icon, so the menu and the window frame always show the same picture.
//   dcf77-render-icon <theme dir> <icon name> <size>...
// writes <theme dir>/<size>x<size>/apps/<icon name>.png for each size.

#include "platform/qt/app_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <theme dir> <icon name> <size>...\n", argv[0]);
        return 2;
    }
    // Drawing needs no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString themeDir = QString::fromLocal8Bit(argv[1]);
    const QString iconName = QString::fromLocal8Bit(argv[2]);
    for (int arg = 3; arg < argc; ++arg) {
        bool isNumber = false;
        const int size = QString::fromLocal8Bit(argv[arg]).toInt(&isNumber);
        if (!isNumber || size < 1 || size > 1024) {
            std::fprintf(stderr, "not an icon size: %s\n", argv[arg]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(themeDir).arg(size);
        const QString file = dir + '/' + iconName + QStringLiteral(".png");
        if (!QDir().mkpath(dir) || !dcf::drawApplicationIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
