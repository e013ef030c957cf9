#include "platform/qt/qt_desktop.h"

#include "platform/qt/window_view.h"
#include "platform/twips.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>

namespace dcf {

namespace {

constexpr double kStandardDotsPerInch = 96;

QSize primaryScreenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

} // namespace

double QtDesktop::twipsPerPixel() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInch() : kStandardDotsPerInch;
    return dcf::twipsPerPixel(dpi > 0 ? dpi : kStandardDotsPerInch);
}

float QtDesktop::screenWidth() const
{
    return static_cast<float>(primaryScreenSize().width() * twipsPerPixel());
}

float QtDesktop::screenHeight() const
{
    return static_cast<float>(primaryScreenSize().height() * twipsPerPixel());
}

std::unique_ptr<WindowHost> QtDesktop::attach(Window &window)
{
    return std::make_unique<QtWindowHost>(*this, window);
}

void QtDesktop::showMessage(MessageKind kind, const std::string &title, const std::string &text)
{
    const QMessageBox::Icon icon = kind == MessageKind::Error ? QMessageBox::Critical
        : kind == MessageKind::Warning                        ? QMessageBox::Warning
                                                              : QMessageBox::Information;
    // Texts are UTF-8, so umlauts come through; "OK" reads the same in German.
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.setWindowIcon(QApplication::windowIcon());
    // A command in the text (joining the group dialout) can be copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

std::string QtDesktop::decimalSeparator() const
{
    return QLocale::system().decimalPoint().toStdString();
}

void QtDesktop::quit()
{
    QCoreApplication::exit(0);
}

QtWindowHost *QtDesktop::host(const std::string &windowName) const
{
    const auto found = std::find_if(m_hosts.begin(), m_hosts.end(), [&](QtWindowHost *host) {
        return host->window().name() == windowName;
    });
    return found == m_hosts.end() ? nullptr : *found;
}

void QtDesktop::registerHost(QtWindowHost &host)
{
    m_hosts.push_back(&host);
}

void QtDesktop::unregisterHost(QtWindowHost &host)
{
    std::erase(m_hosts, &host);
}

} // namespace dcf
