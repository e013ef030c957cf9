#include "platform/qt/window_view.h"

#include "platform/qt/app_icon.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_look.h"
#include "platform/qt/reaction_guard.h"
#include "platform/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>
#include <QWindow>

namespace dcf {

namespace {
/// How long a refresh waits at most for a just-shown window to reach the screen.
constexpr int kLongestExposureWaitMs = 250;
} // namespace

WindowSurface::WindowSurface(Window &model, InputGate &gate)
    : m_model(model)
    , m_gate(gate)
{
    setWindowTitle(QString::fromStdString(model.design().caption));
    setWindowIcon(applicationIcon());
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toQColor(model.design().backColor, QApplication::palette()));
    setPalette(palette);
    if (!model.design().font.family.empty())
        setFont(toQFont(model.design().font));
    // Pointer movement without a pressed button must reach the free surface.
    setMouseTracking(true);
    setObjectName(QString::fromStdString(model.name()));
}

void WindowSurface::mouseMoveEvent(QMouseEvent *event)
{
    // Controls stop pointer events, so whatever arrives here is over the free surface.
    event->accept();
    m_gate.deliver([this] { m_model.mouseMove(); });
}

void WindowSurface::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    m_pressed = event->button() == Qt::LeftButton;
}

void WindowSurface::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    // A click is press and release on the surface, as with a button.
    const bool click = m_pressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        m_gate.deliver([this] { m_model.click(); });
}

void WindowSurface::closeEvent(QCloseEvent *event)
{
    // The window system's close button is a request; the program decides what it means.
    event->ignore();
    m_gate.deliver([this] { m_model.closeRequest(); });
}

void WindowSurface::showEvent(QShowEvent *event)
{
    m_hasBeenShown = true;
    QWidget::showEvent(event);
}

QtWindowHost::QtWindowHost(QtDesktop &desktop, Window &window)
    : m_desktop(desktop)
    , m_window(window)
    , m_surface(std::make_unique<WindowSurface>(window, static_cast<InputGate &>(*this)))
{
    const double perPixel = twipsPerPixel();
    m_surface->setFixedSize(twipsToPixels(window.design().clientWidth, perPixel),
                            twipsToPixels(window.design().clientHeight, perPixel));
    for (Control *control : window.controls()) {
        if (ControlView *view = createControlView(*control, m_surface.get(),
                                                  static_cast<InputGate &>(*this), perPixel))
            m_views.emplace(control, view);
    }
    applyTabOrder();
    m_window.addObserver(*this);
    m_desktop.registerHost(*this);
}

QtWindowHost::~QtWindowHost()
{
    m_desktop.unregisterHost(*this);
    m_window.removeObserver(*this);
}

void QtWindowHost::applyTabOrder()
{
    const std::vector<const Control *> &order = m_window.tabOrder();
    if (order.empty())
        return;
    // Only the listed controls are on the Tab chain; the others keep the focus that a click
    // gives them (a display box, to select its text).
    for (const auto &[control, view] : m_views) {
        QWidget *widget = view->widget();
        if (widget->focusPolicy() & Qt::TabFocus)
            widget->setFocusPolicy((widget->focusPolicy() & Qt::ClickFocus) ? Qt::ClickFocus
                                                                            : Qt::NoFocus);
    }
    QWidget *previous = nullptr;
    for (const Control *control : order) {
        QWidget *widget = widgetOf(*control);
        widget->setFocusPolicy(Qt::StrongFocus);
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    // Taken up when the window first becomes active.
    widgetOf(*order.front())->setFocus(Qt::OtherFocusReason);
}

void QtWindowHost::show()
{
    m_surface->show();
}

void QtWindowHost::hide()
{
    m_surface->hide();
}

bool QtWindowHost::isShown() const
{
    return m_surface->isVisible();
}

void QtWindowHost::close()
{
    m_surface->hide();
}

float QtWindowHost::left() const
{
    return static_cast<float>(m_surface->pos().x() * twipsPerPixel());
}

float QtWindowHost::top() const
{
    return static_cast<float>(m_surface->pos().y() * twipsPerPixel());
}

void QtWindowHost::setLeft(float twips)
{
    m_surface->move(twipsToPixels(twips, twipsPerPixel()), m_surface->pos().y());
}

void QtWindowHost::setTop(float twips)
{
    m_surface->move(m_surface->pos().x(), twipsToPixels(twips, twipsPerPixel()));
}

float QtWindowHost::width() const
{
    return static_cast<float>((m_surface->width() + frameExtent().width()) * twipsPerPixel());
}

float QtWindowHost::height() const
{
    return static_cast<float>((m_surface->height() + frameExtent().height()) * twipsPerPixel());
}

QSize QtWindowHost::frameExtent() const
{
    if (m_surface->hasBeenShown())
        return m_surface->frameGeometry().size() - m_surface->size();
    // Before the first show the window system has not told the frame yet: a title bar and thin
    // borders as the style draws them are close enough for centring.
    const QStyle *style = m_surface->style();
    const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, nullptr);
    const int titleBar = style->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, nullptr);
    return {2 * border, titleBar + 2 * border};
}

double QtWindowHost::twipsPerPixel() const
{
    return m_desktop.twipsPerPixel();
}

namespace {

/// Ends a wait once the window system has put the window on the screen.
class ExposureWaiter final : public QObject
{
public:
    ExposureWaiter(QWindow *window, QEventLoop &loop)
        : m_window(window)
        , m_loop(loop)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && m_window->isExposed())
            m_loop.quit();
        return false;
    }

private:
    QWindow *m_window;
    QEventLoop &m_loop;
};

} // namespace

void QtWindowHost::refresh()
{
    if (!m_surface->isVisible())
        return;
    // A window shown a moment ago may not be mapped yet, and painting it now would draw nothing.
    // Wait briefly for it, blocked in the event loop; user input stays queued meanwhile, so no
    // reaction runs inside this call.
    QWindow *handle = m_surface->windowHandle();
    if (handle && !handle->isExposed()) {
        QEventLoop loop;
        const ExposureWaiter waiter(handle, loop);
        QTimer::singleShot(kLongestExposureWaitMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    m_surface->repaint();
}

void QtWindowHost::propertyChanged(const Control &control, Property property)
{
    const auto found = m_views.find(&control);
    if (found == m_views.end())
        return;
    found->second->showProperty(property);
    ++m_changesShown;
}

QWidget *QtWindowHost::widgetOf(const Control &control) const
{
    const auto found = m_views.find(&control);
    return found == m_views.end() ? nullptr : found->second->widget();
}

void QtWindowHost::deliver(const std::function<void()> &call)
{
    runGuarded(call);
}

} // namespace dcf
