#pragma once
#include "platform/GdiCanvas.h"

#include <cstdint>
#include <string>

using platform::COLORREF;
using platform::Rect;

// The lamp caption's state and arithmetic: the lamp column's layout, the blink
// countdown and the lamp under the mouse. The widget drives it with its size,
// its timer ticks and mouse moves.
struct LampCaptionState {
    static constexpr int kCharWidth = 12;      // caption pixels per character
    static constexpr int kLampWidth = 10;
    static constexpr int kTickMs = 20;
    static constexpr int kLitForever = int(0xEFFFFFFFu);

    Rect m_rcLampColumn;
    Rect m_rcLamp[3];
    COLORREF m_crFace;
    COLORREF m_crHilite;
    COLORREF m_crShade;
    COLORREF m_crLamp[3] = {0, 0, 0};  // lamp 2 starts black like the others
    std::wstring m_strCaption;
    std::wstring m_strTipTitle;
    std::wstring m_strLampTip[3];
    int m_nLampTicks[3] = {0, 0, 0};
    int m_bLampsShown = 0;
    int m_nLampPeriod[3] = {0, 0, 0};
    uint8_t m_nLampsCounting = 0;
    uint8_t m_nHoverMask = 0;
    bool m_bLampTips = false;

    LampCaptionState();

    // Lamp column right of the caption text; nothing for an empty client.
    void Layout(int cx, int cy);
    // The caption text's rectangle in a client of that size.
    Rect TextRect(int cx, int cy) const;

    // Periods in milliseconds (0: none); true when the blink timer is to run.
    bool SetBlinkPeriods(int ms0, int ms1, int ms2);
    int FlashLamp(int lamp, bool on);
    void LightLamp(int lamp);
    // One blink tick; true when the lamp column is to be repainted.
    bool Tick();

    // A mouse move at a client point: true when the tip is to be shown, with the
    // lamp whose text it shows (-1: none, the old text stays).
    bool MouseMove(int x, int y, int& lamp);
};
