#include "platform/SysColors.h"

namespace platform {

COLORREF GetSysColor(int index)
{
    switch (index) {
    case COLOR_MENU: return MakeRGB(0xF0, 0xF0, 0xF0);
    case COLOR_WINDOW: return MakeRGB(0xFF, 0xFF, 0xFF);
    case COLOR_WINDOWTEXT: return 0;
    case COLOR_MENUTEXT: return 0;
    case COLOR_HIGHLIGHT: return MakeRGB(0x00, 0x78, 0xD7);
    case COLOR_HIGHLIGHTTEXT: return MakeRGB(0xFF, 0xFF, 0xFF);
    case COLOR_BTNFACE: return MakeRGB(0xF0, 0xF0, 0xF0);
    case COLOR_BTNSHADOW: return MakeRGB(0xA0, 0xA0, 0xA0);
    case COLOR_GRAYTEXT: return MakeRGB(0x6D, 0x6D, 0x6D);
    case COLOR_BTNTEXT: return 0;
    case COLOR_BTNHIGHLIGHT: return MakeRGB(0xFF, 0xFF, 0xFF);
    case COLOR_3DDKSHADOW: return MakeRGB(0x69, 0x69, 0x69);
    case COLOR_3DLIGHT: return MakeRGB(0xE3, 0xE3, 0xE3);
    case COLOR_INFOTEXT: return 0;
    case COLOR_INFOBK: return MakeRGB(0xFF, 0xFF, 0xE1);
    default: return 0;
    }
}

} // namespace platform
