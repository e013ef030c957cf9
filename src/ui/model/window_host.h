#pragma once

// Where a model window meets the screen: the window system renders each window through a host,
// which also keeps its place. The window model asks for a host when a window is attached; the
// platform's view (platform/qt) and the tests' fake desktop implement both interfaces.

#include <memory>

namespace dcf {

class Window;

/// What the window system does for one model window: the view that renders it and its place on
/// screen. Positions and sizes are in screen twips.
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

/// The window system that renders the model's windows.
class WindowSystem
{
public:
    virtual ~WindowSystem() = default;

    /// Starts rendering `window` (hidden until shown) and returns its host.
    virtual std::unique_ptr<WindowHost> attach(Window &window) = 0;
};

} // namespace dcf
