#include "ui/model/control.h"

#include "ui/model/window.h"

namespace dcf {

Control::Control(Window &owner, Kind kind, std::string name, int index, const Design &design)
    : m_owner(owner)
    , m_kind(kind)
    , m_name(std::move(name))
    , m_index(index)
    , m_geometry(design.geometry)
    , m_font(design.font)
    , m_alignment(design.alignment)
    , m_backColor(design.backColor)
    , m_foreColor(design.foreColor)
    , m_visible(design.visible)
{
    owner.registerControl(*this);
}

std::string Control::displayName() const
{
    return m_index < 0 ? m_name : m_name + "(" + std::to_string(m_index) + ")";
}

void Control::setBackColor(Color color)
{
    m_backColor = color;
    changed(Property::BackColor);
}

void Control::setForeColor(Color color)
{
    m_foreColor = color;
    changed(Property::ForeColor);
}

void Control::setVisible(bool visible)
{
    m_visible = visible;
    changed(Property::Visible);
}

void Control::changed(Property property)
{
    m_owner.propertyChanged(*this, property);
}

} // namespace dcf
