#pragma once
#include "platform/GL.h"

#include "foundation/math/Vec3.h"

#include <cstdint>

// Text in the GL view: 128 display lists of glBitmap glyphs, one per character
// code 0 to 127, drawn at a 3D raster position in the current colour.
class CGLfont {
public:
    CGLfont() = default;
    ~CGLfont() = default;

    // Makes the lists once (later calls return true at once); needs a current
    // GL context. Weight as 0..1000 (700 bold), height as the cell height in pixels.
    bool Create(const char* face, int weight, int height, bool underline, bool italic);
    // Deletes the lists (render thread); a later Create makes them again.
    void Delete();
    // Draws the text at the raster position; bytes 128..255 draw nothing.
    void Draw(const CVec3& position, const char* text, bool noDepthTest = false) const;
    // Draws in the colour 0x00BBGGRR without depth test, then sets black.
    void DrawColored(const CVec3& position, const char* text, uint32_t colour) const;
    int GetHeight() const { return m_height; }
    // A rough pixel width for layouts.
    int GetTextWidth(int length) const { return int(length * m_height * 0.2); }
    GLuint GetListBase() const { return m_base; }
    bool IsCreated() const { return m_base != 0; }

private:
    void CallLists(const CVec3& position, const char* text) const;

    GLuint m_base = 0;
    int m_height = 0;
    const void* m_context = nullptr;
};
