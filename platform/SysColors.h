#pragma once
#include <cstdint>

namespace platform {

// Colours as the program stores them: 0x00BBGGRR.
using COLORREF = uint32_t;

constexpr COLORREF MakeRGB(int r, int g, int b)
{
    return COLORREF(r & 0xFF) | (COLORREF(g & 0xFF) << 8) | (COLORREF(b & 0xFF) << 16);
}
constexpr int GetR(COLORREF c) { return int(c & 0xFF); }
constexpr int GetG(COLORREF c) { return int((c >> 8) & 0xFF); }
constexpr int GetB(COLORREF c) { return int((c >> 16) & 0xFF); }

// System colour indices (the numbers the program's colour settings use).
enum SysColorIndex : int {
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWTEXT = 8,
    COLOR_MENUTEXT = 7,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
};

// The desktop's colour scheme: one fixed light scheme, the same on every machine,
// so drawings are reproducible. Unknown indices give black.
COLORREF GetSysColor(int index);

} // namespace platform
