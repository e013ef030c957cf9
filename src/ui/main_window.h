#pragma once

// The main window frmDCF77 and its fixed control set, in its design state. The reception, the
// decoder and the running clock read and write these controls; the view renders them.

#include "ui/model/control_array.h"
#include "ui/model/controls.h"
#include "ui/model/window.h"

namespace dcf {

/// The program's name: the main window's caption and the title of its message boxes.
inline constexpr const char *kProgramTitle = "DCF77";

class MainWindow : public Window
{
public:
    MainWindow();

    // Readout column: caption labels and display boxes.
    Label Label1;
    TextBox txtZähl;
    Label Label5;
    TextBox txtZeit1;
    Label Label2;
    TextBox txtZeit2;
    Label Label3;
    TextBox txtDCF1;
    Label Label4;
    TextBox txtDCF2;
    Label Label6;
    TextBox txtFehler1;
    Label Label7;
    TextBox txtFehler2;
    Label Label15;
    TextBox txtFehler3;
    Label Label10;
    TextBox txtPause;
    ControlArray<Label> Label12 {"Label12"};
    TextBox txtPausZ;

    // Indicator column.
    OptionGroup pulseOptions;
    OptionButton optPuls01;
    CheckBox chk100;
    CheckBox chk200;
    Label Label8;
    Label Label9;
    Label Label14;
    Label Label11;

    // Completion mark and character line.
    OptionButton optPuls02;
    TextBox txtSign;
    TextBox txtZahl;

    // Placement group.
    ScrollBar HScroll1;
    ScrollBar VScroll1;
    Label Label16;
    TextBox txtLeft;
    Label Label17;
    TextBox txtTop;

    // Command row.
    CommandButton cmdStart;
    CommandButton cmdHide;
    CommandButton cmdExit;
    Label lblComPort;
    TextBox txtComPort;

    // Date and time panel, bit store and bit captions.
    ControlArray<Label> lblA {"lblA"};
    ControlArray<CheckBox> chkPuls {"chkPuls"};
    ControlArray<Label> Label13 {"Label13"};

    // The members of lblA that the decoder and the running clock write; the panel ends at the
    // last of them.
    static constexpr int kZoneLabel = 2;
    static constexpr int kWeekdayLabel = 3;
    static constexpr int kDayLabel = 5;
    static constexpr int kMonthNameLabel = 7;
    static constexpr int kYearLabel = 8;
    static constexpr int kNumericDayLabel = 11;
    static constexpr int kNumericMonthLabel = 13;
    static constexpr int kNumericYearLabel = 15;
    static constexpr int kHourLabel = 16;
    static constexpr int kMinuteLabel = 18;
    static constexpr int kSecondsLabel = 20;
    static constexpr int kLastPanelLabel = kSecondsLabel;
    /// The bit store chkPuls(0..kLastBit).
    static constexpr int kLastBit = 59;
};

} // namespace dcf
