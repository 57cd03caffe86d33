#pragma once
// A small device-context-like drawing layer over QPainter: a current pen, brush,
// text colour and background, a current position for MoveToEx/LineTo, and
// colours as 0x00BBGGRR values. Coordinates are pixels, origin top left. As with
// a Windows device context, LineTo leaves out the end pixel and Rectangle and
// Ellipse stay inside left..right-1, top..bottom-1.
#include "platform/GlyphRaster.h"

#include <cstdint>
#include <memory>

class QImage;
class QPainter;

namespace platform {

using ColorRef = uint32_t; // 0x00BBGGRR

constexpr ColorRef Rgb(uint8_t r, uint8_t g, uint8_t b) { return ColorRef(r) | ColorRef(g) << 8 | ColorRef(b) << 16; }
constexpr uint8_t RedOf(ColorRef c) { return uint8_t(c & 0xFF); }
constexpr uint8_t GreenOf(ColorRef c) { return uint8_t(c >> 8 & 0xFF); }
constexpr uint8_t BlueOf(ColorRef c) { return uint8_t(c >> 16 & 0xFF); }

struct GdiPoint {
    int x = 0;
    int y = 0;
};

struct GdiRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

enum class PenStyle { Solid, Dash, Dot, Null };
enum class BkMode { Transparent, Opaque };

class GdiPainter {
public:
    // Draws through a painter that the caller keeps active.
    explicit GdiPainter(QPainter& painter);
    // Paints on the image while it lives (nothing is drawn on a null image).
    explicit GdiPainter(QImage& image);
    ~GdiPainter();
    GdiPainter(const GdiPainter&) = delete;
    GdiPainter& operator=(const GdiPainter&) = delete;

    // False when there is nothing to draw on; every drawing call then returns false.
    bool IsActive() const;

    // Pen of the given width (0 counts as 1) for lines and outlines; Null draws none.
    void SetPen(PenStyle style, int width, ColorRef colour);
    void SetBrush(ColorRef colour);
    void SetNullBrush();
    void SetTextColor(ColorRef colour) { m_textColour = colour; }
    void SetBkColor(ColorRef colour) { m_bkColour = colour; }
    void SetBkMode(BkMode mode) { m_bkMode = mode; }
    void SetFont(const GlyphFont& font);

    bool MoveToEx(int x, int y, GdiPoint* previous = nullptr);
    // A line from the current position up to, not including, (x, y), which
    // becomes the current position.
    bool LineTo(int x, int y);
    GdiPoint GetCurrentPosition() const { return m_position; }
    // Lines through the points (the current position is neither used nor moved).
    bool Polyline(const GdiPoint* points, int count);
    // Outlined with the pen, filled with the brush.
    bool Rectangle(int left, int top, int right, int bottom);
    bool Ellipse(int left, int top, int right, int bottom);
    // Fills left..right-1, top..bottom-1 with the colour; neither pen nor brush.
    bool FillRect(const GdiRect& rect, ColorRef colour);
    // Text with its cell's top-left corner at (x, y), in the text colour, on the
    // background colour when the mode is opaque. Latin-1 bytes.
    bool TextOut(int x, int y, const char* text, int count);
    // Width and height of the text's cell in the current font.
    GdiPoint TextExtent(const char* text, int count) const;

private:
    void ApplyPen();
    void ApplyBrush();
    void ThinLine(int x0, int y0, int x1, int y1);

    std::unique_ptr<QPainter> m_owned;
    QPainter* m_painter = nullptr;
    PenStyle m_penStyle = PenStyle::Solid;
    int m_penWidth = 1;
    ColorRef m_penColour = 0;
    bool m_brush = true;
    ColorRef m_brushColour = Rgb(255, 255, 255);
    ColorRef m_textColour = 0;
    ColorRef m_bkColour = Rgb(255, 255, 255);
    BkMode m_bkMode = BkMode::Opaque;
    GdiPoint m_position;
};

} // namespace platform
