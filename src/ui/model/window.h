#pragma once

// A top-level window of the model with its controls, as the logic reads and writes it. The
// window system renders it through a host (window_host.h); observers (the view, tests, tools)
// hear of every property write; reactions to the user run through the program's gate.

#include "ui/model/color.h"
#include "ui/model/control.h"
#include "ui/model/reaction.h"
#include "ui/model/window_host.h"

#include <memory>
#include <string>
#include <vector>

namespace dcf {

/// Notified of every property write of a window's controls (the view repaints what changed).
class WindowObserver
{
public:
    virtual ~WindowObserver() = default;
    virtual void propertyChanged(const Control &control, Property property) = 0;
};

/// A top-level window of the model: caption, client size, colours and its controls in creation
/// order. Position and outer size belong to the desktop (a WindowHost) once one is attached;
/// before that the window keeps them itself, so the logic also runs with no desktop at all.
class Window
{
public:
    struct Design
    {
        std::string caption;
        int clientWidth = 0; ///< twips
        int clientHeight = 0; ///< twips
        Color backColor;
        Font font;
    };

    Window(std::string name, const Design &design);
    virtual ~Window() = default;
    Window(const Window &) = delete;
    Window &operator=(const Window &) = delete;

    const std::string &name() const { return m_name; }
    const Design &design() const { return m_design; }
    const std::vector<Control *> &controls() const { return m_controls; }

    /// Hands the window to the window system, which renders it from now on (hidden until shown).
    void attach(WindowSystem &windows);
    WindowHost *host() const { return m_host.get(); }

    void show();
    void hide();
    bool isShown() const;
    /// Takes the window off the screen for good (Exit): from then on it is never shown again and
    /// no observer hears of a property write.
    void close();
    bool isClosed() const { return m_closed; }
    void refresh();

    float left() const;
    float top() const;
    void setLeft(float twips);
    void setTop(float twips);
    float width() const;
    float height() const;

    void addObserver(WindowObserver &observer) { m_observers.push_back(&observer); }
    void removeObserver(const WindowObserver &observer);
    /// Called by the controls after each property write.
    void propertyChanged(const Control &control, Property property);
    /// Called by the controls at construction.
    void registerControl(Control &control) { m_controls.push_back(&control); }

    /// The controls that Tab visits, in order; the first has the keyboard focus when the window
    /// first appears. Empty: the window system's own order.
    const std::vector<const Control *> &tabOrder() const { return m_tabOrder; }
    void setTabOrder(std::vector<const Control *> order) { m_tabOrder = std::move(order); }

    /// Click on the window's own background (not on a control).
    Reaction onClick;
    /// Pointer movement over the free surface (not over a control).
    Reaction onMouseMove;
    /// The window system's close button or shortcut.
    Reaction onCloseRequest;
    void click() const { react(onClick); }
    void mouseMove() const { react(onMouseMove); }
    void closeRequest() const { react(onCloseRequest); }

    /// Every reaction of the window and its controls runs through `gate` from now on.
    void setReactionGate(ReactionGate *gate) { m_gate = gate; }
    /// Runs `reaction`, if there is one, through the gate (without one, directly).
    void react(const Reaction &reaction) const;

private:
    std::string m_name;
    Design m_design;
    std::vector<Control *> m_controls;
    std::vector<const Control *> m_tabOrder;
    // Before the host, which is gone first: its view stops observing on the way out.
    std::vector<WindowObserver *> m_observers;
    std::unique_ptr<WindowHost> m_host;
    ReactionGate *m_gate = nullptr;
    bool m_closed = false;
    // Used while no host is attached.
    bool m_shown = false;
    float m_left = 0;
    float m_top = 0;
};

} // namespace dcf
