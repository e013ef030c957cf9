#pragma once

// The kinds of control of the window model, with the properties the routines write and the
// reactions the user's input runs (through the window's reaction gate).

#include "ui/model/control.h"
#include "ui/model/reaction.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dcf {

class Label : public Control
{
public:
    Label(Window &owner, std::string name, int index, const Design &design, std::string caption);

    const std::string &caption() const { return m_caption; }
    void setCaption(std::string caption);

private:
    std::string m_caption;
};

/// A single-line text box. Every change of its text, by the user or by the program, runs the
/// Change reaction before the write returns.
class TextBox : public Control
{
public:
    /// Whether the user types into the box, or only reads (and copies) what the program shows.
    enum class Entry { Typed, DisplayOnly };

    TextBox(Window &owner, std::string name, int index, const Design &design,
            Entry entry = Entry::Typed);

    Entry entry() const { return m_entry; }

    const std::string &text() const { return m_text; }
    void setText(std::string text);

    /// A completion offered while the user types.
    struct Suggestion
    {
        /// What choosing it types.
        std::string text;
        /// How the list shows it, `text` and what tells it apart.
        std::string shown;
        bool operator==(const Suggestion &) const = default;
    };
    const std::vector<Suggestion> &suggestions() const { return m_suggestions; }
    void setSuggestions(std::vector<Suggestion> suggestions);

    /// The user moves the input focus into the box.
    void gotFocus() const;

    Reaction onChange;
    Reaction onGotFocus;

private:
    Entry m_entry;
    std::string m_text;
    std::vector<Suggestion> m_suggestions;
};

class CheckBox : public Control
{
public:
    enum State : int16_t { Unchecked = 0, Checked = 1, Grayed = 2 };

    CheckBox(Window &owner, std::string name, int index, const Design &design, std::string caption);

    const std::string &caption() const { return m_caption; }
    int16_t value() const { return m_value; }
    /// 0 clear, 1 ticked, 2 the grey third state; anything else is a programming error.
    void setValue(int16_t value);
    /// The user's click: a ticked box clears, any other becomes ticked.
    void click();

private:
    std::string m_caption;
    int16_t m_value = Unchecked;
};

class OptionButton;

/// Option buttons on one surface: at most one of them is on.
class OptionGroup
{
public:
    void add(OptionButton &button) { m_members.push_back(&button); }
    const std::vector<OptionButton *> &members() const { return m_members; }

private:
    std::vector<OptionButton *> m_members;
};

class OptionButton : public Control
{
public:
    OptionButton(Window &owner, std::string name, int index, const Design &design,
                 std::string caption, OptionGroup &group);

    const std::string &caption() const { return m_caption; }
    bool value() const { return m_value; }
    /// Switching one on clears the others of its group; switching one off leaves them alone.
    void setValue(bool on);
    /// The user's click switches it on.
    void click() { setValue(true); }

private:
    std::string m_caption;
    OptionGroup &m_group;
    bool m_value = false;
};

class ScrollBar : public Control
{
public:
    struct Range
    {
        int16_t minimum = 0;
        int16_t maximum = 32767;
        int16_t smallChange = 1;
        int16_t largeChange = 1;
        int16_t value = 0;
    };

    ScrollBar(Window &owner, Kind kind, std::string name, int index, const Design &design,
              const Range &range);

    /// How both windows draw their bars: in the system's button colours, with no font.
    static Design designAt(Rect geometry)
    {
        return {geometry, {}, colors::kButtonFace, colors::kButtonText};
    }

    int16_t value() const { return m_range.value; }
    int16_t minimum() const { return m_range.minimum; }
    int16_t maximum() const { return m_range.maximum; }
    int16_t smallChange() const { return m_range.smallChange; }
    int16_t largeChange() const { return m_range.largeChange; }
    /// Sets the maximum (the value is pulled inside the new range without a Change reaction).
    void setMaximum(int16_t maximum);

    /// A value chosen by the user (arrow, track, released thumb): clamped to the range; runs the
    /// Change reaction when it differs from the current value.
    void userSetValue(int value);
    /// Arrow click: one small step towards `direction` (-1 or +1).
    void arrowClick(int direction)
    {
        userSetValue(m_range.value + direction * m_range.smallChange);
    }
    /// Click on the track: one large step.
    void trackClick(int direction)
    {
        userSetValue(m_range.value + direction * m_range.largeChange);
    }

    Reaction onChange;

private:
    Range m_range;
};

class CommandButton : public Control
{
public:
    CommandButton(Window &owner, std::string name, int index, const Design &design,
                  std::string caption);

    const std::string &caption() const { return m_caption; }
    void click() const;

    Reaction onClick;

private:
    std::string m_caption;
};

} // namespace dcf
