#include "platform/qt/qt_event_loop.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace dcf {

void QtEventLoop::processPendingEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::waitForActivity()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace dcf
