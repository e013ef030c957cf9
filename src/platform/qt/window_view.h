#pragma once

// The view of one model window: a top-level widget with a fixed client size and one child widget
// per control at its design position. Model writes reach the screen at the next event
// processing (update(), never repaint()); user input goes back to the model through one guarded
// gate.

#include "platform/qt/control_views.h"
#include "ui/model/window.h"

#include <QWidget>
#include <memory>
#include <unordered_map>

namespace dcf {

class QtDesktop;

/// The top-level widget: background, pointer movement and clicks on the free surface, and the
/// frame's close button.
class WindowSurface final : public QWidget
{
public:
    WindowSurface(Window &model, InputGate &gate);

    /// Whether the window system has shown the window at least once (its frame is known then).
    bool hasBeenShown() const { return m_hasBeenShown; }

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    Window &m_model;
    InputGate &m_gate;
    bool m_pressed = false;
    bool m_hasBeenShown = false;
};

class QtWindowHost final : public WindowHost, public WindowObserver, private InputGate
{
public:
    QtWindowHost(QtDesktop &desktop, Window &window);
    ~QtWindowHost() override;
    QtWindowHost(const QtWindowHost &) = delete;
    QtWindowHost &operator=(const QtWindowHost &) = delete;

    void show() override;
    void hide() override;
    bool isShown() const override;
    void close() override;
    float left() const override;
    float top() const override;
    void setLeft(float twips) override;
    void setTop(float twips) override;
    float width() const override;
    float height() const override;
    void refresh() override;

    void propertyChanged(const Control &control, Property property) override;

    const Window &window() const { return m_window; }
    /// The top-level widget.
    QWidget *surface() const { return m_surface.get(); }
    /// The widget that shows `control`, or null.
    QWidget *widgetOf(const Control &control) const;
    /// Property writes that reached a widget so far.
    int changesShown() const { return m_changesShown; }

private:
    void deliver(const std::function<void()> &call) override;
    /// The window's tab order, and the keyboard focus on its first control.
    void applyTabOrder();
    /// The frame around the client area in pixels: the real one once the window has been shown,
    /// an estimate from the style before.
    QSize frameExtent() const;
    double twipsPerPixel() const;

    QtDesktop &m_desktop;
    Window &m_window;
    std::unique_ptr<WindowSurface> m_surface;
    std::unordered_map<const Control *, ControlView *> m_views;
    int m_changesShown = 0;
};

} // namespace dcf
