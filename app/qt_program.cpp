#include "app/qt_program.h"

#include "platform/qt/app_icon.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/window_view.h"
#include "ui/main_window.h"

#include <QApplication>

namespace dcf {

void prepareApplication()
{
    QApplication::setApplicationName(QString::fromUtf8(kProgramTitle));
    applyApplicationLook();
    QApplication::setWindowIcon(applicationIcon());
}

QWidget *QtProgram::surface(const Window &window) const
{
    const QtWindowHost *host = desktop.host(window.name());
    return host ? host->surface() : nullptr;
}

QWidget *QtProgram::widget(const Control &control) const
{
    const QtWindowHost *host = desktop.host(control.window().name());
    return host ? host->widgetOf(control) : nullptr;
}

} // namespace dcf
