#include "ui/model/window.h"

namespace dcf {

Window::Window(std::string name, const Design &design)
    : m_name(std::move(name))
    , m_design(design)
{ }

void Window::attach(WindowSystem &windows)
{
    const float left = m_left;
    const float top = m_top;
    m_host = windows.attach(*this);
    m_host->setLeft(left);
    m_host->setTop(top);
}

void Window::show()
{
    if (m_closed)
        return;
    if (m_host)
        m_host->show();
    m_shown = true;
}

void Window::hide()
{
    if (m_host)
        m_host->hide();
    m_shown = false;
}

bool Window::isShown() const
{
    return m_host ? m_host->isShown() : m_shown;
}

void Window::close()
{
    m_closed = true;
    if (m_host)
        m_host->close();
    m_shown = false;
}

void Window::refresh()
{
    if (m_host && !m_closed)
        m_host->refresh();
}

float Window::left() const
{
    return m_host ? m_host->left() : m_left;
}

float Window::top() const
{
    return m_host ? m_host->top() : m_top;
}

void Window::setLeft(float twips)
{
    m_left = twips;
    if (m_host)
        m_host->setLeft(twips);
}

void Window::setTop(float twips)
{
    m_top = twips;
    if (m_host)
        m_host->setTop(twips);
}

float Window::width() const
{
    return m_host ? m_host->width() : static_cast<float>(m_design.clientWidth);
}

float Window::height() const
{
    return m_host ? m_host->height() : static_cast<float>(m_design.clientHeight);
}

void Window::react(const Reaction &reaction) const
{
    if (!reaction)
        return;
    if (m_gate)
        m_gate->run(reaction);
    else
        reaction();
}

void Window::removeObserver(const WindowObserver &observer)
{
    std::erase(m_observers, &observer);
}

void Window::propertyChanged(const Control &control, Property property)
{
    // After Exit nothing more is drawn, whatever the unwinding routines still write.
    if (m_closed)
        return;
    // By index: an observer may add another while it is told.
    for (std::size_t k = 0; k < m_observers.size(); ++k)
        m_observers[k]->propertyChanged(control, property);
}

} // namespace dcf
