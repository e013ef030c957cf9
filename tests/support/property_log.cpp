#include "property_log.h"

#include "ui/model/controls.h"

namespace dcf::testing {

namespace {

const char *propertyName(Property property)
{
    static constexpr const char *kNames[]
        = {"Caption", "Text", "Value", "Visible", "BackColor", "ForeColor", "Maximum"};
    return kNames[static_cast<int>(property)];
}

} // namespace

PropertyLog::~PropertyLog()
{
    for (Window *window : m_windows)
        window->setObserver(m_platform.desktop.host(window->name()));
}

void PropertyLog::watch(Window &window)
{
    m_windows.push_back(&window);
    window.setObserver(this);
}

void PropertyLog::propertyChanged(const Control &control, Property property)
{
    Entry entry {m_platform.now(), control.displayName(), property, {}};
    if (const auto *label = dynamic_cast<const Label *>(&control))
        entry.text = label->caption();
    else if (const auto *box = dynamic_cast<const TextBox *>(&control))
        entry.text = box->text();
    entries.push_back(std::move(entry));
    if (onEntry)
        onEntry(entries.back());

    if (FakeWindowHost *host = m_platform.desktop.host(control.window().name()))
        host->propertyChanged(control, property);
}

std::vector<PropertyLog::Entry> PropertyLog::captions(const std::string &control) const
{
    std::vector<Entry> found;
    for (const Entry &entry : entries) {
        if (entry.control == control && entry.property == Property::Caption)
            found.push_back(entry);
    }
    return found;
}

std::vector<std::string> PropertyLog::writes() const
{
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const Entry &entry : entries)
        names.push_back(entry.control + "." + propertyName(entry.property));
    return names;
}

} // namespace dcf::testing
