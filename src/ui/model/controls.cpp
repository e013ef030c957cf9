#include "ui/model/controls.h"

#include "ui/model/window.h"

#include <algorithm>
#include <stdexcept>

namespace dcf {

Label::Label(Window &owner, std::string name, int index, const Design &design, std::string caption)
    : Control(owner, Kind::Label, std::move(name), index, design)
    , m_caption(std::move(caption))
{ }

void Label::setCaption(std::string caption)
{
    m_caption = std::move(caption);
    changed(Property::Caption);
}

TextBox::TextBox(Window &owner, std::string name, int index, const Design &design, Entry entry)
    : Control(owner, Kind::TextBox, std::move(name), index, design)
    , m_entry(entry)
{ }

void TextBox::setText(std::string text)
{
    const bool different = text != m_text;
    m_text = std::move(text);
    changed(Property::Text);
    if (different)
        window().react(onChange);
}

void TextBox::gotFocus() const
{
    window().react(onGotFocus);
}

void TextBox::setSuggestions(std::vector<Suggestion> suggestions)
{
    m_suggestions = std::move(suggestions);
    changed(Property::Suggestions);
}

CheckBox::CheckBox(Window &owner, std::string name, int index, const Design &design,
                   std::string caption)
    : Control(owner, Kind::CheckBox, std::move(name), index, design)
    , m_caption(std::move(caption))
{ }

void CheckBox::setValue(int16_t value)
{
    if (value < Unchecked || value > Grayed)
        throw std::invalid_argument(displayName() + ": check box value must be 0, 1 or 2");
    m_value = value;
    changed(Property::Value);
}

void CheckBox::click()
{
    setValue(m_value == Checked ? Unchecked : Checked);
}

OptionButton::OptionButton(Window &owner, std::string name, int index, const Design &design,
                           std::string caption, OptionGroup &group)
    : Control(owner, Kind::OptionButton, std::move(name), index, design)
    , m_caption(std::move(caption))
    , m_group(group)
{
    group.add(*this);
}

void OptionButton::setValue(bool on)
{
    if (on) {
        for (OptionButton *other : m_group.members()) {
            if (other != this && other->m_value) {
                other->m_value = false;
                other->changed(Property::Value);
            }
        }
    }
    m_value = on;
    changed(Property::Value);
}

ScrollBar::ScrollBar(Window &owner, Kind kind, std::string name, int index, const Design &design,
                     const Range &range)
    : Control(owner, kind, std::move(name), index, design)
    , m_range(range)
{ }

void ScrollBar::setMaximum(int16_t maximum)
{
    m_range.maximum = maximum;
    m_range.value = std::clamp(m_range.value, std::min(m_range.minimum, maximum),
                               std::max(m_range.minimum, maximum));
    changed(Property::Maximum);
}

void ScrollBar::userSetValue(int value)
{
    const int low = std::min(m_range.minimum, m_range.maximum);
    const int high = std::max(m_range.minimum, m_range.maximum);
    const auto clamped = static_cast<int16_t>(std::clamp(value, low, high));
    if (clamped == m_range.value)
        return;
    m_range.value = clamped;
    changed(Property::Value);
    window().react(onChange);
}

CommandButton::CommandButton(Window &owner, std::string name, int index, const Design &design,
                             std::string caption)
    : Control(owner, Kind::CommandButton, std::move(name), index, design)
    , m_caption(std::move(caption))
{ }

void CommandButton::click() const
{
    window().react(onClick);
}

} // namespace dcf
