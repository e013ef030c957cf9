#pragma once

// The base of every control of the window model: what the view draws of it (place, font,
// colours, visibility) and the change notification that tells the view what to redraw.

#include "ui/model/color.h"

#include <string>

namespace dcf {

class Window;

/// A rectangle in twips, relative to the window's client area.
struct Rect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect &) const = default;
};

struct Font
{
    std::string family;
    double points = 0;
    bool bold = true;
    bool operator==(const Font &) const = default;
};

enum class Alignment { Left, Right, Center };

/// The properties whose changes reach the view, one notification per write.
enum class Property { Caption, Text, Value, Visible, BackColor, ForeColor, Maximum, Suggestions };

/// Base of every control: design geometry, font, colours, alignment and visibility. Controls are
/// plain data with change notification; the view (or a test) observes them through their window.
class Control
{
public:
    enum class Kind {
        Label,
        TextBox,
        CheckBox,
        OptionButton,
        HScrollBar,
        VScrollBar,
        CommandButton
    };

    struct Design
    {
        Rect geometry;
        Font font;
        Color backColor;
        Color foreColor;
        Alignment alignment = Alignment::Left;
        bool visible = true;
    };

    Control(Window &owner, Kind kind, std::string name, int index, const Design &design);
    virtual ~Control() = default;
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;

    Window &window() const { return m_owner; }
    Kind kind() const { return m_kind; }
    const std::string &name() const { return m_name; }
    /// Index within its control array, or -1 for a single control.
    int index() const { return m_index; }
    /// "chkPuls(17)" or "cmdStart".
    std::string displayName() const;

    const Rect &geometry() const { return m_geometry; }
    const Font &font() const { return m_font; }
    Alignment alignment() const { return m_alignment; }

    Color backColor() const { return m_backColor; }
    void setBackColor(Color color);
    Color foreColor() const { return m_foreColor; }
    void setForeColor(Color color);
    bool visible() const { return m_visible; }
    void setVisible(bool visible);

protected:
    void changed(Property property);

private:
    Window &m_owner;
    Kind m_kind;
    std::string m_name;
    int m_index;
    Rect m_geometry;
    Font m_font;
    Alignment m_alignment;
    Color m_backColor;
    Color m_foreColor;
    bool m_visible;
};

} // namespace dcf
