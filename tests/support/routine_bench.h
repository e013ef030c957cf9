#pragma once

// One routine on its own, without the program around it: a state and both windows of its own on
// the virtual platform, and the contexts the routines take. Its event processing never ends a
// routine; how routines give way is the program's part, tested through the program.

#include "clock/clock_context.h"
#include "decoding/decoder.h"
#include "reception/reception_context.h"
#include "ui/lifecycle.h"
#include "virtual_platform.h"

namespace dcf::testing {

class RoutineBench
{
public:
    /// Both windows on `vp`'s desktop, the main window as after start-up.
    explicit RoutineBench(VirtualPlatform &vp)
        : m_vp(vp)
    {
        frmDCF77.attach(vp.windows());
        frmZeit.attach(vp.windows());
        Form_Load(g, frmDCF77, vp.desktop);
        frmDCF77.show();
    }

    ReceptionContext reception(MarkWatcher *marks = nullptr)
    {
        return {g, frmDCF77, m_vp, m_vp, m_vp.serial, m_vp.desktop, marks};
    }
    DecodingContext decoding() { return {g, frmDCF77, clockWindow(), m_vp}; }
    ClockContext clock(SecondWatcher *seconds = nullptr)
    {
        return {g, frmDCF77, clockWindow(), m_vp, m_vp, m_vp.desktop, seconds};
    }

    Global g;
    MainWindow frmDCF77;
    ClockWindow frmZeit;

private:
    ClockWindowAccess clockWindow()
    {
        return [this]() -> ClockWindow & {
            return frmZeit;
        };
    }

    VirtualPlatform &m_vp;
};

} // namespace dcf::testing
