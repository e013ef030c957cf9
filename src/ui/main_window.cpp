#include "ui/main_window.h"

#include <array>

namespace dcf {

namespace {

using Kind = Control::Kind;

Font arial(double points)
{
    return {"Arial", points, true};
}

Font courier(double points)
{
    return {"Courier New", points, true};
}

Control::Design controlDesign(Rect geometry, Font font, Color back, Color fore,
                              Alignment alignment = Alignment::Left, bool visible = true)
{
    return {geometry, std::move(font), back, fore, alignment, visible};
}

// Readout column: every caption label and display box shares its left edge, size and look.
Control::Design readoutLabel(int top)
{
    return controlDesign({240, top, 2055, 315}, arial(12), colors::kLightCyan, colors::kButtonText,
                         Alignment::Right);
}

// The readout boxes show what the program measures; the user may copy it but not type over it.
Control::Design readoutBox(int top)
{
    return controlDesign({2520, top, 1995, 495}, courier(20.25), colors::kBlack, colors::kWhite);
}

Control::Design indicator(int top, int width, double points, Alignment alignment = Alignment::Left)
{
    return controlDesign({4680, top, width, 315}, arial(points), colors::kLightCyan,
                         colors::kButtonText, alignment);
}

Control::Design textBox(Rect geometry, double points)
{
    return controlDesign(geometry, courier(points), colors::kWindowBackground, colors::kWindowText);
}

Control::Design command(int left)
{
    return controlDesign({left, 9420, 1215, 375}, courier(12), colors::kButtonFace,
                         colors::kButtonText);
}

Control::Design placementLabel(int left)
{
    return controlDesign({left, 6180, 435, 255}, arial(9.75), colors::kButtonFace,
                         colors::kButtonText);
}

constexpr auto kShown = TextBox::Entry::DisplayOnly;

constexpr ScrollBar::Range kPlacementRange {-3000, 3000, 1, 100, 0};

struct PanelLabel
{
    const char *caption;
    int left;
    int top;
    int width;
    Alignment alignment;
};

constexpr auto L = Alignment::Left;
constexpr auto R = Alignment::Right;

// lblA(0..20): the sentence panel that the decoder fills.
constexpr std::array<PanelLabel, 21> kPanel {{
    {"Der heutige Tag:", 2940, 7380, 1935, L},
    {"Im Moment haben wir die Mitteleuropäische", 180, 7800, 4935, L},
    {"", 5160, 7800, 1515, L},
    {"", 180, 8280, 1335, R},
    {"den", 1620, 8280, 495, R},
    {"", 2220, 8280, 315, R},
    {".", 2580, 8280, 135, L},
    {"", 2760, 8280, 1335, L},
    {"", 4140, 8280, 615, L},
    {"", 5100, 8760, 1515, L},
    {"=", 4860, 8280, 195, L},
    {"", 5160, 8280, 315, R},
    {".", 5520, 8280, 135, L},
    {"", 5640, 8280, 255, R},
    {".", 5940, 8280, 75, L},
    {"", 6060, 8280, 555, L},
    {"", 3120, 8760, 375, L},
    {":", 3540, 8760, 75, L},
    {"", 3660, 8760, 375, L},
    {":", 4080, 8760, 75, L},
    {"", 4200, 8760, 375, L},
}};
// The time row is set in a larger type than the rest of the panel.
constexpr int kFirstLargePanelLabel = MainWindow::kHourLabel;

// Bit captions by second of the minute; the weights end in column 20.
constexpr std::array<const char *, 60> kBitCaptions {{
    "00 Minutenbeginn --> immer \"0\"",
    "01 (Wetter)",
    "02 (Wetter)",
    "03 (Wetter",
    "04 (Wetter)",
    "05 (Wetter)",
    "06 (Wetter)",
    "07 (Wetter)",
    "08 (Wetter)",
    "09 (Wetter)",
    "10 (Wetter)",
    "11 (Wetter)",
    "12 (Wetter)",
    "13 (Wetter)",
    "14 (Wetter)",
    "15 Reserveantenne aktiv",
    "16 Umstellung Sommer / Winterzeit",
    "17 Sommerzeit",
    "18 Winterzeit",
    "19 Schaltsekunde",
    "20 Zeitbeginn",
    "21 Minute          1",
    "22 Minute          2",
    "23 Minute          4",
    "24 Minute          8",
    "25 Minute         10",
    "26 Minute         20",
    "27 Minute         40",
    "28 Minute Prüfbit",
    "29 Stunde          1",
    "30 Stunde          2",
    "31 Stunde          4",
    "32 Stunde          8",
    "33 Stunde         10",
    "34 Stunde         20",
    "35 Stunde Prüfbit",
    "36 Tag             1",
    "37 Tag             2",
    "38 Tag             4",
    "39 Tag             8",
    "40 Tag            10",
    "41 Tag            20",
    "42 Wochentag       1",
    "43 Wochentag       2",
    "44 Wochentag       4",
    "45 Monat           1",
    "46 Monat           2",
    "47 Monat           4",
    "48 Monat           8",
    "49 Monat          10",
    "50 Jahr            1",
    "51 Jahr            2",
    "52 Jahr            4",
    "53 Jahr            8",
    "54 Jahr           10",
    "55 Jahr           20",
    "56 Jahr           40",
    "57 Jahr           80",
    "58 Datum Prüfbit",
    "59 Pause, kein Signal",
}};

constexpr int kBitColumn1 = 8160;
constexpr int kBitColumn2 = 12240;
constexpr int kBitRow = 300;
constexpr int kCaptionOffset = 360;

// The bit panel groups its rows by field; a new group starts a little lower.
Rect bitBox(int second)
{
    struct Group
    {
        int first;
        int last;
        int left;
        int top;
    };
    static constexpr std::array<Group, 10> kGroups {{
        {0, 0, kBitColumn1, 120},
        {1, 14, kBitColumn1, 600},
        {15, 20, kBitColumn1, 4980},
        {21, 28, kBitColumn1, 6960},
        {59, 59, kBitColumn1, 9540},
        {29, 35, kBitColumn2, 120},
        {36, 41, kBitColumn2, 2400},
        {42, 44, kBitColumn2, 4380},
        {45, 49, kBitColumn2, 5460},
        {50, 58, kBitColumn2, 7140},
    }};
    for (const Group &group : kGroups) {
        if (second >= group.first && second <= group.last)
            return {group.left, group.top + kBitRow * (second - group.first), 255, 255};
    }
    return {};
}

} // namespace

MainWindow::MainWindow()
    : Window("frmDCF77",
             {kProgramTitle, 15270, 9915, colors::kLightPeach, {"Courier New", 8.25, false}})
    , Label1(*this, "Label1", -1, readoutLabel(180), "Puls-Zähler")
    , txtZähl(*this, "txtZähl", -1, readoutBox(120), kShown)
    , Label5(*this, "Label5", -1, readoutLabel(840), "Zeit absolut [s]")
    , txtZeit1(*this, "txtZeit1", -1, readoutBox(720), kShown)
    , Label2(*this, "Label2", -1, readoutLabel(1440), "Puls-Länge [s]")
    , txtZeit2(*this, "txtZeit2", -1, readoutBox(1320), kShown)
    , Label3(*this, "Label3", -1, readoutLabel(2040), "letzter Puls [s]")
    , txtDCF1(*this, "txtDCF1", -1, readoutBox(1920), kShown)
    , Label4(*this, "Label4", -1, readoutLabel(2640), "letzter Puls [s]")
    , txtDCF2(*this, "txtDCF2", -1, readoutBox(2520), kShown)
    , Label6(*this, "Label6", -1, readoutLabel(3240), "Fehler1-Zähler")
    , txtFehler1(*this, "txtFehler1", -1, readoutBox(3120), kShown)
    , Label7(*this, "Label7", -1, readoutLabel(3840), "Fehler2-Zähler")
    , txtFehler2(*this, "txtFehler2", -1, readoutBox(3720), kShown)
    , Label15(*this, "Label15", -1, readoutLabel(4440), "Fehler3-Zähler")
    , txtFehler3(*this, "txtFehler3", -1, readoutBox(4320), kShown)
    , Label10(*this, "Label10", -1, readoutLabel(5040), "Pause [s]")
    , txtPause(*this, "txtPause", -1, readoutBox(4920), kShown)
    , txtPausZ(*this, "txtPausZ", -1, readoutBox(5520), kShown)
    , optPuls01(*this, "optPuls01", -1, indicator(240, 1215, 11.25), "Puls", pulseOptions)
    , chk100(*this, "chk100", -1, indicator(1950, 1215, 11.25), "Puls 100")
    , chk200(*this, "chk200", -1, indicator(2520, 1215, 11.25), "Puls 200")
    , Label8(*this, "Label8", -1, indicator(3180, 2295, 12), "Impuls <       30 [ms]")
    , Label9(*this, "Label9", -1, indicator(3840, 2295, 12), "Impuls >     250 [ms]")
    , Label14(*this, "Label14", -1, indicator(4440, 2295, 12), "Pause      < 58 Pulse")
    , Label11(*this, "Label11", -1, indicator(5040, 2295, 12), "Pause >   1500 [ms]")
    , optPuls02(*this, "optPuls02", -1,
                controlDesign({2520, 6120, 1995, 315}, arial(11.25), colors::kLightCyan,
                              colors::kButtonText),
                "        fertig", pulseOptions)
    , txtSign(*this, "txtSign", -1, textBox({2940, 6570, 375, 525}, 21.75), kShown)
    , txtZahl(*this, "txtZahl", -1, textBox({3480, 6570, 645, 525}, 21.75), kShown)
    , HScroll1(*this, Kind::HScrollBar, "HScroll1", -1,
               ScrollBar::designAt({4680, 5580, 2835, 315}), kPlacementRange)
    , VScroll1(*this, Kind::VScrollBar, "VScroll1", -1,
               ScrollBar::designAt({7680, 4500, 315, 2475}), kPlacementRange)
    , Label16(*this, "Label16", -1, placementLabel(4680), "Left")
    , txtLeft(*this, "txtLeft", -1, textBox({5100, 6120, 975, 375}, 14.25))
    , Label17(*this, "Label17", -1, placementLabel(6120), "Top")
    , txtTop(*this, "txtTop", -1, textBox({6540, 6120, 975, 375}, 14.25))
    , cmdStart(*this, "cmdStart", -1, command(120), "Start")
    , cmdHide(*this, "cmdHide", -1, command(1440), "Hide")
    , cmdExit(*this, "cmdExit", -1, command(2760), "Exit")
    , lblComPort(*this, "lblComPort", -1,
                 controlDesign({4440, 9480, 1695, 315}, courier(12), colors::kLightPeach,
                               colors::kButtonText),
                 "ComPort No.")
    , txtComPort(*this, "txtComPort", -1, textBox({6180, 9420, 435, 360}, 14.25))
{
    // The user comes to type the port and press Start; the placement fields come last.
    setTabOrder({&txtComPort, &cmdStart, &cmdHide, &cmdExit, &txtLeft, &txtTop});

    Label12.append(*this, "Label12", 0, readoutLabel(5580), "Pausen-Zähler");
    Label12.append(*this, "Label12", 1,
                   controlDesign({240, 6660, 2625, 315}, arial(12), colors::kLightCyan,
                                 colors::kButtonText, Alignment::Right),
                   "empfangenes Zeichen");
    Label12.append(
        *this, "Label12", 2,
        controlDesign({4320, 6690, 2625, 315}, arial(12), colors::kLightCyan, colors::kButtonText),
        "Anzahl der Zeichen");

    for (int index = 0; index < static_cast<int>(kPanel.size()); ++index) {
        const PanelLabel &label = kPanel[static_cast<std::size_t>(index)];
        const double points = index >= kFirstLargePanelLabel ? 15.75 : 12;
        lblA.append(*this, "lblA", index,
                    controlDesign({label.left, label.top, label.width, 315}, arial(points),
                                  colors::kLightPeach, colors::kButtonText, label.alignment, false),
                    label.caption);
    }

    for (int second = 0; second <= kLastBit; ++second) {
        chkPuls.append(
            *this, "chkPuls", second,
            controlDesign(bitBox(second), arial(8.25), colors::kButtonFace, colors::kButtonText),
            "");
    }

    // Label13(j) captions second (j + 1) mod 60.
    for (int index = 0; index <= kLastBit; ++index) {
        const int second = (index + 1) % (kLastBit + 1);
        const Rect box = bitBox(second);
        const int width = (index <= 19 || index == 59) ? 3495 : 2295;
        Label13.append(*this, "Label13", index,
                       controlDesign({box.left + kCaptionOffset, box.top, width, 255}, courier(9),
                                     colors::kLightPeach, colors::kButtonText),
                       kBitCaptions[static_cast<std::size_t>(second)]);
    }
}

} // namespace dcf
