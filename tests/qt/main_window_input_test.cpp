// What the keyboard and the pointer meet in the main window on the real Qt layer (offscreen):
// where the focus starts and where Tab takes it, boxes that only show readings, and the port
// field's whole text and suggestions although the field is two characters wide.

#include "platform/qt/qt_desktop.h"
#include "platform/qt/window_view.h"
#include "ui/main_window.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace dcf::testing {
namespace {

class MainWindowInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.attach(desktop);
        window.show();
        QWidget *surface = desktop.host(window.name())->surface();
        surface->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(surface));
    }

    QLineEdit *box(const TextBox &control) const
    {
        return qobject_cast<QLineEdit *>(desktop.host(window.name())->widgetOf(control));
    }
    QWidget *widget(const Control &control) const
    {
        return desktop.host(window.name())->widgetOf(control);
    }
    static std::string focusName()
    {
        const QWidget *focus = QApplication::focusWidget();
        return focus ? focus->objectName().toStdString() : "nothing";
    }

    QtDesktop desktop;
    MainWindow window;
};

TEST_F(MainWindowInput, FocusStartsInThePortFieldAndTabGoesOnToTheCommandsAndPlacement)
{
    EXPECT_EQ(focusName(), "txtComPort");
    QTest::keyClicks(QApplication::focusWidget(), "/dev/ttyUSB0");
    EXPECT_EQ(window.txtComPort.text(), "/dev/ttyUSB0");

    const std::vector<std::string> forwards {"cmdStart", "cmdHide", "cmdExit",
                                             "txtLeft",  "txtTop",  "txtComPort"};
    for (const std::string &next : forwards) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focusName(), next);
    }
    for (auto next = forwards.rbegin() + 1; next != forwards.rend(); ++next) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(focusName(), *next);
    }
}

TEST_F(MainWindowInput, ReadingsCanBeCopiedButNotTypedOver)
{
    const std::vector<const TextBox *> readings {
        &window.txtZähl,  &window.txtZeit1,   &window.txtZeit2,   &window.txtDCF1,
        &window.txtDCF2,  &window.txtFehler1, &window.txtFehler2, &window.txtFehler3,
        &window.txtPause, &window.txtPausZ,   &window.txtSign,    &window.txtZahl};
    for (const TextBox *reading : readings) {
        const_cast<TextBox *>(reading)->setText("17");
        QLineEdit *shown = box(*reading);
        QTest::mouseClick(shown, Qt::LeftButton);
        QTest::keyClicks(shown, "9");
        EXPECT_EQ(reading->text(), "17") << reading->displayName();
        EXPECT_EQ(shown->text(), "17") << reading->displayName();

        QTest::keyClick(shown, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(shown, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), "17") << reading->displayName();
        EXPECT_TRUE(shown->toolTip().isEmpty()) << reading->displayName();
    }
    // Nor does Tab stop at them, or at the bits.
    for (const Control *passive : {static_cast<const Control *>(&window.txtZähl),
                                   static_cast<const Control *>(&window.chkPuls(0)),
                                   static_cast<const Control *>(&window.optPuls01)})
        EXPECT_FALSE(widget(*passive)->focusPolicy() & Qt::TabFocus) << passive->displayName();
}

TEST_F(MainWindowInput, ThePortFieldShowsItsWholeTextOnHover)
{
    QLineEdit *field = box(window.txtComPort);
    QTest::keyClicks(field, "/dev/pts/12");
    EXPECT_EQ(field->toolTip(), "/dev/pts/12");
    window.txtComPort.setText("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(field->toolTip(), "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(field->width(), 435 / 15) << "the field keeps its designed size";
}

TEST_F(MainWindowInput, SuggestionsAreShownInFullAndTypeOnlyTheirPath)
{
    QLineEdit *field = box(window.txtComPort);
    const std::string longest = "/dev/ttyUSB0 – FT232R USB UART (Hersteller: FTDI)";
    window.txtComPort.setSuggestions(
        {{"/dev/ttyS0", "/dev/ttyS0"}, {"/dev/ttyUSB0", longest}, {"/dev/pts/3", "/dev/pts/3"}});
    // The field near the screen's right edge: the wide list must not run off it.
    window.setLeft(desktop.screenWidth() - 7000);
    QTest::keyClicks(field, "/dev/tty");
    QAbstractItemView *list = field->completer()->popup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
    ASSERT_EQ(list->model()->rowCount(), 2) << "the rows that contain what was typed";
    EXPECT_EQ(list->model()->index(1, 0).data().toString().toStdString(), longest);
    const int longestWidth = list->fontMetrics().horizontalAdvance(QString::fromStdString(longest));
    EXPECT_GE(list->viewport()->width(), longestWidth);
    EXPECT_LE(list->frameGeometry().right(), list->screen()->availableGeometry().right());

    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(window.txtComPort.text(), "/dev/ttyUSB0");
    EXPECT_EQ(field->text(), "/dev/ttyUSB0");
}

} // namespace
} // namespace dcf::testing
