#include "control_log.h"

#include "ui/model/controls.h"

namespace dcf::testing {

ControlLog::~ControlLog()
{
    for (Window *window : m_windows)
        window->setObserver(m_platform.desktop.host(window->name()));
}

void ControlLog::watch(Window &window)
{
    m_windows.push_back(&window);
    window.setObserver(this);
}

std::string logged(Color color)
{
    return std::to_string(color.value());
}

void ControlLog::propertyChanged(const Control &control, Property property)
{
    std::string value;
    switch (property) {
    case Property::Caption:
        if (const auto *label = dynamic_cast<const Label *>(&control))
            value = label->caption();
        break;
    case Property::Text:
        if (const auto *box = dynamic_cast<const TextBox *>(&control))
            value = box->text();
        break;
    case Property::Value:
        if (const auto *check = dynamic_cast<const CheckBox *>(&control))
            value = std::to_string(check->value());
        else if (const auto *option = dynamic_cast<const OptionButton *>(&control))
            value = option->value() ? "1" : "0";
        else if (const auto *bar = dynamic_cast<const ScrollBar *>(&control))
            value = std::to_string(bar->value());
        break;
    case Property::Visible:
        value = control.visible() ? "1" : "0";
        break;
    case Property::BackColor:
        value = logged(control.backColor());
        break;
    case Property::ForeColor:
        value = logged(control.foreColor());
        break;
    case Property::Suggestions:
        if (const auto *box = dynamic_cast<const TextBox *>(&control)) {
            for (const std::string &suggestion : box->suggestions())
                value += (value.empty() ? "" : "|") + suggestion;
        }
        break;
    case Property::Maximum:
        break;
    }
    entries.push_back({m_platform.now(), control.displayName(), property, std::move(value)});
    if (onEntry)
        onEntry(entries.back());
    if (FakeWindowHost *host = m_platform.desktop.host(control.window().name()))
        host->propertyChanged(control, property);
}

std::vector<ControlLog::Entry> ControlLog::of(const std::string &control, Property property) const
{
    std::vector<Entry> result;
    for (const Entry &entry : entries) {
        if (entry.control == control && entry.property == property)
            result.push_back(entry);
    }
    return result;
}

std::vector<std::string> ControlLog::values(const std::string &control, Property property) const
{
    std::vector<std::string> result;
    for (const Entry &entry : of(control, property))
        result.push_back(entry.value);
    return result;
}

std::vector<int64_t> ControlLog::times(const std::string &control, Property property,
                                       const std::string &value) const
{
    std::vector<int64_t> result;
    for (const Entry &entry : of(control, property)) {
        if (entry.value == value)
            result.push_back(entry.at);
    }
    return result;
}

std::optional<std::string> ControlLog::valueAt(const std::string &control, Property property,
                                               std::size_t upToEntry) const
{
    std::optional<std::string> result;
    for (std::size_t index = 0; index < entries.size() && index <= upToEntry; ++index) {
        const Entry &entry = entries[index];
        if (entry.control == control && entry.property == property)
            result = entry.value;
    }
    return result;
}

bool ControlLog::writtenAfter(const std::string &control, int64_t after) const
{
    for (const Entry &entry : entries) {
        if (entry.at > after && entry.control == control)
            return true;
    }
    return false;
}

std::vector<std::string> ControlLog::writes() const
{
    std::vector<std::string> names;
    for (const Entry &entry : entries)
        names.push_back(entry.control + "." + propertyName(entry.property));
    return names;
}

} // namespace dcf::testing
