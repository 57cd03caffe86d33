#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// One glyph as a 1-bit bitmap: rows top first, each row (width + 7) / 8 bytes,
// most significant bit leftmost. The origin (on the baseline, at the pen
// position) lies xOrigin pixels right of the bitmap's left edge and yOrigin
// pixels above its bottom edge; advance is the pen move to the next glyph.
struct GlyphBitmap {
    int width = 0;
    int height = 0;
    float xOrigin = 0.0f;
    float yOrigin = 0.0f;
    float advance = 0.0f;
    std::vector<uint8_t> bits;
};

struct GlyphFont {
    std::string face;   // family name; the font system picks a substitute ("Arial" -> Liberation Sans)
    int weight = 400;   // 1..1000, 700 bold, 0 normal
    int height = 16;    // > 0: cell height (ascent + descent) in pixels; < 0: character height
    bool underline = false;
    bool italic = false;
};

// Rasterises the characters first .. first + count - 1 (Latin-1 codes) without
// antialiasing. Control characters give empty glyphs with no advance. False when
// no font could be made or the arguments are out of range.
bool RasterizeGlyphs(const GlyphFont& font, int first, int count, std::vector<GlyphBitmap>& out);

} // namespace platform
