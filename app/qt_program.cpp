#include "app/qt_program.h"

#include "platform/qt/app_icon.h"
#include "platform/qt/qt_look.h"
#ifdef __linux__
#include "platform/qt/qt_realtime_kit.h"
#endif
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

std::string readerSchedulingLine(ReaderScheduling scheduling)
{
    switch (scheduling) {
    case ReaderScheduling::RealTime:
        return "dcf77: the serial reader runs with real-time priority";
    case ReaderScheduling::RealTimeKit:
        return "dcf77: the serial reader runs with real-time priority, granted by RealtimeKit";
    case ReaderScheduling::Normal:
        break;
    }
    return "dcf77: the serial reader runs with normal priority (real-time scheduling is not "
           "permitted here)";
}

QtProgram::QtProgram(ProgramOptions chosen)
    : options(std::move(chosen))
#ifdef __linux__
    , serial(options.receiver, requestRealtimeFromRealtimeKit)
#else
    , serial(options.receiver)
#endif
{
    if (!options.chronySocket.empty())
        chrony.emplace(serial.service(), options.chronySocket);
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
