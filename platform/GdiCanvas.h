#pragma once
#include "platform/Rect.h"
#include "platform/SysColors.h"

#include <cstdint>
#include <string>
#include <string_view>

class QPainter;

namespace platform {

struct GdiPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const GdiPoint&) const = default;
};

struct GdiFont {
    std::wstring face;   // family; the font system picks a substitute ("Arial" -> Liberation Sans)
    int height = 0;      // pixels; 0: the default size
    int weight = 400;    // 700 bold
    bool italic = false;
    bool underline = false;
};

// Text formats (combinable).
enum : unsigned {
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_SINGLELINE = 0x20,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
};

// Edges: outer and inner borders, and which sides.
enum : unsigned {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
    BF_LEFT = 0x1,
    BF_TOP = 0x2,
    BF_RIGHT = 0x4,
    BF_BOTTOM = 0x8,
    BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
};

// Pixel-exact drawing in the manner the program's drawing code expects, on a
// painter: no antialiasing, lines without their end point, a transparent text
// background, '&' marking a mnemonic unless DT_NOPREFIX.
class GdiCanvas {
public:
    explicit GdiCanvas(QPainter& painter);
    ~GdiCanvas();
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    void FillRect(const Rect& r, COLORREF colour);
    // One-pixel frame just inside the rectangle.
    void FrameRect(const Rect& r, COLORREF colour);
    void Draw3dRect(const Rect& r, COLORREF topLeft, COLORREF bottomRight);
    void DrawEdge(const Rect& r, unsigned edge, unsigned sides);
    // From (x0, y0) towards (x1, y1), the end point left out; only the part over
    // the device is stepped, however far the ends lie.
    void Line(int x0, int y0, int x1, int y1, COLORREF colour);
    // The colour of the lines LineTo draws (black at first).
    void SelectPen(COLORREF colour) { pen_ = colour; }
    // Moves the current position; the old one goes to `previous`.
    bool MoveToEx(int x, int y, GdiPoint* previous = nullptr);
    // A line from the current position up to, not including, (x, y), which becomes
    // the current position (also when nothing can be drawn). False when the
    // painter has no device to draw on.
    bool LineTo(int x, int y);
    GdiPoint GetCurrentPosition() const { return position_; }
    void Ellipse(const Rect& r, COLORREF colour);

    void SelectFont(const GdiFont& font);
    void DrawText(std::wstring_view text, const Rect& r, unsigned format, COLORREF colour);

    // A width x height block of 0x00BBGGRR pixels, rows top first; where mask
    // is given, pixels whose mask byte is non-zero are left out.
    void DrawPixels(int x, int y, int width, int height, const COLORREF* pixels, const uint8_t* mask);

    QPainter& Painter() { return painter_; }

private:
    QPainter& painter_;
    COLORREF pen_ = 0;
    GdiPoint position_;
};

// Measures texts in the desktop's menu font; falls back to a fixed cell when no
// GUI application exists.
int MenuTextWidth(std::wstring_view text);
// Height of a menu bar line (the system metric the menus measure against).
int MenuBarHeight();

} // namespace platform
