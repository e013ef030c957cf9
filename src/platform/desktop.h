#pragma once

#include <memory>
#include <string>

namespace dcf {

class Window;

/// What the desktop does for one model window: the view that renders it and its place on screen.
/// Positions and sizes are in screen twips.
class WindowHost
{
public:
    virtual ~WindowHost() = default;

    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isShown() const = 0;
    /// Takes the window off the screen for good.
    virtual void close() = 0;

    /// The outer top-left corner as the window system reports it (rounded to its pixel grid).
    virtual float left() const = 0;
    virtual float top() const = 0;
    virtual void setLeft(float twips) = 0;
    virtual void setTop(float twips) = 0;
    /// Outer size, frame included.
    virtual float width() const = 0;
    virtual float height() const = 0;

    /// Draws the window now (used where a window must be on screen before a routine returns).
    virtual void refresh() { }
};

/// The desktop: screen, windows, message boxes, the user's number format and the end of the
/// program.
class Desktop
{
public:
    virtual ~Desktop() = default;

    virtual float screenWidth() const = 0; ///< twips
    virtual float screenHeight() const = 0; ///< twips

    /// Starts rendering `window` (hidden until shown) and returns its host.
    virtual std::unique_ptr<WindowHost> attach(Window &window) = 0;

    /// A message box with an OK button; returns when the user has closed it.
    virtual void showMessage(const std::string &title, const std::string &text) = 0;

    /// The decimal separator of the user's number format.
    virtual std::string decimalSeparator() const = 0;

    /// Ends the program: no further reaction runs and nothing more is drawn. Returns to the caller,
    /// which must unwind without touching the windows again.
    virtual void quit() = 0;
};

} // namespace dcf
