#include "platform/qt/control_views.h"

#include "platform/qt/qt_look.h"
#include "platform/twips.h"
#include "ui/model/controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QStyle>

namespace dcf {

namespace {

QString toQString(const std::string &text)
{
    return QString::fromStdString(text);
}

Qt::Alignment horizontalAlignment(Alignment alignment)
{
    switch (alignment) {
    case Alignment::Right:
        return Qt::AlignRight;
    case Alignment::Center:
        return Qt::AlignHCenter;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft;
}

QColor themed(Color color)
{
    return toQColor(color, QApplication::palette());
}

/// The control's colours in the roles that the widget paints its background and text with.
void setColors(QWidget *widget, const Control &control)
{
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), themed(control.backColor()));
    palette.setColor(widget->foregroundRole(), themed(control.foreColor()));
    widget->setPalette(palette);
}

/// The properties that every widget with a palette shows alike; it has nothing to show for any
/// other property.
void showColorsOrVisibility(QWidget *widget, const Control &control, Property property)
{
    switch (property) {
    case Property::BackColor:
    case Property::ForeColor:
        setColors(widget, control);
        break;
    case Property::Visible:
        widget->setVisible(control.visible());
        break;
    default:
        break;
    }
}

/// What every control widget shares: design geometry and font, the visibility, and that neither
/// clicks nor pointer movement over it reach the window's free surface.
void setUpWidget(QWidget *widget, const Control &control, double twipsPerPixel)
{
    const Rect &box = control.geometry();
    widget->setGeometry(
        twipsToPixels(box.left, twipsPerPixel), twipsToPixels(box.top, twipsPerPixel),
        twipsToPixels(box.width, twipsPerPixel), twipsToPixels(box.height, twipsPerPixel));
    if (!control.font().family.empty())
        widget->setFont(toQFont(control.font()));
    widget->setAttribute(Qt::WA_NoMousePropagation);
    widget->setObjectName(toQString(control.displayName()));
    widget->setVisible(control.visible());
}

/// A label paints itself: opaque background, its alignment, and text beyond its edges cut off.
/// It never grows with its text.
class LabelView final : public QWidget, public ControlView
{
public:
    LabelView(Label &model, QWidget *surface)
        : QWidget(surface)
        , m_model(model)
    {
        setAccessibleName(text());
    }

    QWidget *widget() override { return this; }
    /// The caption as drawn.
    QString text() const { return toQString(m_model.caption()); }

    void showProperty(Property property) override
    {
        if (property == Property::Visible) {
            setVisible(m_model.visible());
            return;
        }
        // Screen readers (and tests) read the caption without looking at pixels.
        if (property == Property::Caption)
            setAccessibleName(text());
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), themed(m_model.backColor()));
        painter.setPen(themed(m_model.foreColor()));
        painter.setFont(font());
        painter.drawText(rect(), int(horizontalAlignment(m_model.alignment()) | Qt::AlignTop),
                         text());
    }

    // A label has no click of its own, and a click on it is no click on the window either.
    void mousePressEvent(QMouseEvent *event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent *event) override { event->accept(); }

private:
    Label &m_model;
};

/// The completions of a text box. Each row shows the whole suggestion (a device path with its
/// adapter and maker) however narrow the box is; choosing one types only its text.
class SuggestionList final : public QCompleter
{
public:
    SuggestionList(QLineEdit *field, std::function<void(const QString &)> chosen)
        : QCompleter(field)
        , m_rows(new QStandardItemModel(this))
    {
        // Making the popup already sends it events through eventFilter(), so the pointer is set
        // only once it is made.
        m_list = popup();
        setModel(m_rows);
        setCompletionRole(kTypedRole);
        setFilterMode(Qt::MatchContains);
        // The line edit takes a chosen completion as if the program wrote it (no textEdited),
        // but it is the user's choice.
        connect(this, qOverload<const QString &>(&QCompleter::activated), field, chosen);
        connect(this, qOverload<const QString &>(&QCompleter::highlighted), field, chosen);
        m_list->installEventFilter(this);
    }

    void show(const std::vector<TextBox::Suggestion> &suggestions)
    {
        m_rows->clear();
        const QFontMetrics metrics(m_list->font());
        int widest = 0;
        for (const TextBox::Suggestion &suggestion : suggestions) {
            auto *row = new QStandardItem(toQString(suggestion.shown));
            row->setData(toQString(suggestion.text), kTypedRole);
            row->setEditable(false);
            m_rows->appendRow(row);
            widest = std::max(widest, metrics.horizontalAdvance(row->text()));
        }
        // The popup opens as wide as the box; its minimum widens it to the longest row, with
        // room for the frame, the item margins and a scroll bar.
        const QStyle *style = m_list->style();
        const int margins = 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth)
            + 4 * style->pixelMetric(QStyle::PM_FocusFrameHMargin)
            + style->pixelMetric(QStyle::PM_ScrollBarExtent);
        m_list->setMinimumWidth(widest + margins);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Widened past the box, the list may reach beyond the screen's right edge; it is placed
        // anew at every key typed.
        const QEvent::Type type = event->type();
        if (watched == m_list
            && (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize)) {
            const QScreen *screen = m_list->screen();
            const QRect room = screen ? screen->availableGeometry() : QRect();
            QRect frame = m_list->geometry();
            if (room.isValid() && frame.right() > room.right()) {
                frame.moveRight(room.right());
                frame.moveLeft(std::max(frame.left(), room.left()));
                m_list->move(frame.topLeft());
            }
        }
        return QCompleter::eventFilter(watched, event);
    }

private:
    static constexpr int kTypedRole = Qt::UserRole;
    QStandardItemModel *m_rows;
    QAbstractItemView *m_list = nullptr;
};

class TextBoxView final : public QLineEdit, public ControlView
{
public:
    TextBoxView(TextBox &model, QWidget *surface, InputGate &gate)
        : QLineEdit(surface)
        , m_model(model)
        , m_gate(gate)
    {
        setAlignment(horizontalAlignment(model.alignment()) | Qt::AlignVCenter);
        // Still selectable, so that a reading can be copied.
        setReadOnly(model.entry() == TextBox::Entry::DisplayOnly);
        setColors(this, model);
        setText(toQString(model.text()));
        showWholeTextAsTip();
        // Typing only: the program's own writes come back through showProperty.
        connect(this, &QLineEdit::textEdited, this, [this](const QString &text) { typed(text); });
    }

    QWidget *widget() override { return this; }

    void showProperty(Property property) override
    {
        if (property == Property::Suggestions) {
            showSuggestions();
            return;
        }
        if (property != Property::Text) {
            showColorsOrVisibility(this, m_model, property);
            return;
        }
        // An equal text is left alone, so the cursor stays where the user is typing.
        const QString wanted = toQString(m_model.text());
        if (text() != wanted)
            setText(wanted);
        showWholeTextAsTip();
    }

protected:
    void focusInEvent(QFocusEvent *event) override
    {
        QLineEdit::focusInEvent(event);
        m_gate.deliver([this] { m_model.gotFocus(); });
    }

private:
    void typed(const QString &text)
    {
        m_gate.deliver([this, text] { m_model.setText(text.toStdString()); });
    }

    void showSuggestions()
    {
        if (!completer())
            setCompleter(new SuggestionList(this, [this](const QString &text) { typed(text); }));
        static_cast<SuggestionList *>(completer())->show(m_model.suggestions());
    }

    /// A box the user types into shows its whole text on hover: "ComPort No." is narrower than
    /// a device path.
    void showWholeTextAsTip()
    {
        if (m_model.entry() == TextBox::Entry::Typed)
            setToolTip(text());
    }

    TextBox &m_model;
    InputGate &m_gate;
};

Qt::CheckState toCheckState(int16_t value)
{
    switch (value) {
    case CheckBox::Checked:
        return Qt::Checked;
    case CheckBox::Grayed:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

void showValue(QCheckBox &box, const CheckBox &model)
{
    box.setCheckState(toCheckState(model.value()));
}

void showValue(QRadioButton &button, const OptionButton &model)
{
    button.setChecked(model.value());
}

/// A check box or an option button. Neither toggles itself: a click goes to the model, and the
/// widget shows what the model then holds. Not auto-exclusive either: the model's option group
/// decides which option button is on.
template<class Button, class Model> class ToggleView final : public Button, public ControlView
{
public:
    ToggleView(Model &model, QWidget *surface, InputGate &gate)
        : Button(toQString(model.caption()), surface)
        , m_model(model)
        , m_gate(gate)
    {
        this->setAutoExclusive(false);
        this->setAutoFillBackground(true);
        setColors(this, model);
        showValue(*this, model);
    }

    QWidget *widget() override { return this; }

    void showProperty(Property property) override
    {
        if (property == Property::Value)
            showValue(*this, m_model);
        else
            showColorsOrVisibility(this, m_model, property);
    }

protected:
    void nextCheckState() override
    {
        m_gate.deliver([this] { m_model.click(); });
        showValue(*this, m_model);
    }

private:
    Model &m_model;
    InputGate &m_gate;
};

using CheckBoxView = ToggleView<QCheckBox, CheckBox>;
using OptionButtonView = ToggleView<QRadioButton, OptionButton>;

/// Tracking is off: a change reaches the model on an arrow or track click and once when a
/// dragged thumb is released, not while it is dragged.
class ScrollBarView final : public QScrollBar, public ControlView
{
public:
    ScrollBarView(ScrollBar &model, QWidget *surface, InputGate &gate)
        : QScrollBar(model.kind() == Control::Kind::VScrollBar ? Qt::Vertical : Qt::Horizontal,
                     surface)
        , m_model(model)
    {
        setTracking(false);
        setSingleStep(model.smallChange());
        setPageStep(model.largeChange());
        showRangeAndValue();
        connect(this, &QScrollBar::valueChanged, this, [this, &gate](int value) {
            gate.deliver([this, value] { m_model.userSetValue(value); });
            // The model may have clamped the value or ignored the change.
            showRangeAndValue();
        });
    }

    QWidget *widget() override { return this; }

    void showProperty(Property property) override
    {
        switch (property) {
        case Property::Value:
        case Property::Maximum:
            showRangeAndValue();
            break;
        case Property::Visible:
            setVisible(m_model.visible());
            break;
        default:
            break;
        }
    }

private:
    // Program writes never come back to the model as a user change.
    void showRangeAndValue()
    {
        const QSignalBlocker blocker(this);
        const int low = std::min(m_model.minimum(), m_model.maximum());
        const int high = std::max(m_model.minimum(), m_model.maximum());
        setRange(low, high);
        setValue(m_model.value());
    }

    ScrollBar &m_model;
};

class CommandButtonView final : public QPushButton, public ControlView
{
public:
    CommandButtonView(CommandButton &model, QWidget *surface, InputGate &gate)
        : QPushButton(toQString(model.caption()), surface)
        , m_model(model)
    {
        setAutoDefault(false);
        setColors(this, model);
        connect(this, &QPushButton::clicked, this,
                [this, &gate] { gate.deliver([this] { m_model.click(); }); });
    }

    QWidget *widget() override { return this; }

    void showProperty(Property property) override
    {
        showColorsOrVisibility(this, m_model, property);
    }

private:
    CommandButton &m_model;
};

ControlView *createView(Control &control, QWidget *surface, InputGate &gate)
{
    switch (control.kind()) {
    case Control::Kind::Label:
        return new LabelView(static_cast<Label &>(control), surface);
    case Control::Kind::TextBox:
        return new TextBoxView(static_cast<TextBox &>(control), surface, gate);
    case Control::Kind::CheckBox:
        return new CheckBoxView(static_cast<CheckBox &>(control), surface, gate);
    case Control::Kind::OptionButton:
        return new OptionButtonView(static_cast<OptionButton &>(control), surface, gate);
    case Control::Kind::HScrollBar:
    case Control::Kind::VScrollBar:
        return new ScrollBarView(static_cast<ScrollBar &>(control), surface, gate);
    case Control::Kind::CommandButton:
        return new CommandButtonView(static_cast<CommandButton &>(control), surface, gate);
    }
    return nullptr;
}

} // namespace

ControlView *createControlView(Control &control, QWidget *surface, InputGate &gate,
                               double twipsPerPixel)
{
    ControlView *view = createView(control, surface, gate);
    if (view)
        setUpWidget(view->widget(), control, twipsPerPixel);
    return view;
}

} // namespace dcf
