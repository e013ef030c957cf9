#pragma once

// The desktop as Qt shows it: the primary screen in twips, the windows' views, message boxes,
// the user's decimal separator and the end of the program.

#include "platform/desktop.h"
#include "ui/model/window_host.h"

#include <string>
#include <vector>

namespace dcf {

class QtWindowHost;

class QtDesktop final : public Desktop, public WindowSystem
{
public:
    QtDesktop() = default;
    QtDesktop(const QtDesktop &) = delete;
    QtDesktop &operator=(const QtDesktop &) = delete;

    float screenWidth() const override;
    float screenHeight() const override;
    std::unique_ptr<WindowHost> attach(Window &window) override;
    void showMessage(MessageKind kind, const std::string &title, const std::string &text) override;
    std::string decimalSeparator() const override;
    /// Ends the application's event loop (the program has closed its windows).
    void quit() override;

    /// 1440 / the primary screen's logical dots per inch (15 at 96 dpi).
    double twipsPerPixel() const;
    /// The view of the window attached under `windowName` ("frmDCF77", "frmZeit"), or null.
    QtWindowHost *host(const std::string &windowName) const;

    void registerHost(QtWindowHost &host);
    void unregisterHost(QtWindowHost &host);

private:
    std::vector<QtWindowHost *> m_hosts;
};

} // namespace dcf
