#pragma once

// The program's single store of shared state. Every long routine (reception, decoder, running
// clock) reads and writes its variables here, under the names the program has always used for
// them; nothing else keeps state between reactions.

#include "state/fixed_text.h"

#include <array>
#include <cstdint>
#include <string>

namespace dcf {

struct Global
{
    /// Shared 16-bit loop counter: the reception's pulse index, and the loop counter of the
    /// start-up, the reset and the decoder's reveal. Handlers that can run nested leave it alone.
    int16_t i = 0;

    // Reception state.
    int16_t BitNr = 0;
    float PulsZaehler = 0; ///< pulses in the attempt, whole values
    int16_t PausenZaehler = 0;
    int16_t Fehler1 = 0; ///< pulses shorter than 30 ms
    int16_t Fehler2 = 0; ///< pulses longer than 250 ms
    int16_t Fehler3 = 0; ///< 1 when a minute closed with fewer than 58 pulses
    int16_t PulsAktiv = 0;
    int16_t PauseAktiv = 0;
    int16_t SperreBeginn = 0;
    int16_t SperreEnde = 0;
    int16_t PauseGezaehlt = 0;
    int16_t MinuteErkannt = 0;
    int16_t ZaehlerGenullt = 0;
    int16_t Flanke = 0; ///< 0 no edge, 3 pulse end, 6 pulse start
    double StartZeit = 0;
    double PulsBeginn = 0;
    double PulsEnde = 0;
    double PulsLaenge = 0;
    static constexpr int kPulsTableLast = 150;
    std::array<float, kPulsTableLast + 1> PulsZeit {};
    std::array<float, kPulsTableLast + 1> PulsAbstand {};
    std::string Empfang;
    int16_t ZeichenCode = 0;
    int16_t ZeichenZaehler = 0;

    // Decoded telegram.
    int16_t Minute = 0;
    int16_t Stunde = 0;
    int16_t Tag = 0;
    int16_t Wochentag = 0;
    int16_t Monat = 0;
    int16_t Jahr = 0;
    FixedText<10> Zeitzone;
    FixedText<10> Wochentagsname;
    FixedText<9> Monatsname;

    // Running clock.
    int16_t Sekunde = 0;
    std::array<int16_t, 62> SekTabelle {};
    int16_t SekIndex = 0;
    int16_t MinEnde = 0;
    int16_t StdUebertrag = 0;
    double MinBeginn = 0;
    double MinLaufzeit = 0;
};

} // namespace dcf
