#pragma once

// The whole program on the real Qt layer (offscreen): Qt time base, event loop and desktop, with
// the serial port replaced by the fake one so that no device is needed.

#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_time_base.h"
#include "platform/qt/window_view.h"
#include "program/program.h"
#include "virtual_platform.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace dcf::testing {

class QtProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        program.start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mainSurface()));
    }

    QtWindowHost &host(const std::string &windowName) const
    {
        QtWindowHost *found = desktop.host(windowName);
        if (!found)
            throw std::runtime_error(windowName + " has no view");
        return *found;
    }
    QWidget *mainSurface() const { return host("frmDCF77").surface(); }
    QWidget *widget(const Control &control) const
    {
        QWidget *found = host(control.window().name()).widgetOf(control);
        if (!found)
            throw std::runtime_error(control.displayName() + " has no widget");
        return found;
    }
    template<typename W> W *widgetAs(const Control &control) const
    {
        W *found = qobject_cast<W *>(widget(control));
        if (!found)
            throw std::runtime_error(control.displayName() + " has another kind of widget");
        return found;
    }

    static void processEvents() { QCoreApplication::processEvents(); }

    QtTimeBase time;
    QtEventLoop events;
    FakeSerialPort serial {time};
    QtDesktop desktop;
    Platform platform {events, time, serial, desktop};
    Program program {platform};
};

} // namespace dcf::testing
