#include "engine/gl/GLfont.h"
#include "platform/GlyphRaster.h"

#include "foundation/core/Versions.h"

#include <QOpenGLContext>
#include <string>
#include <vector>

namespace {
constexpr int kGlyphCount = 128;
}

bool CGLfont::Create(const char* face, int weight, int height, bool underline, bool italic)
{
    if (m_base != 0)
        return true;
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context || !context->surface()) {
        CVersions::Print(false, "CGLfont::Create Kein gültiger DC oder RC vorhanden!\n");
        return false;
    }
    const GLuint base = glGenLists(kGlyphCount);
    if (base == 0)
        return CVersions::Print(false, "CGLfont::Create glGenLists fehlgeschlagen!\n");
    m_base = base;
    m_context = context;
    m_height = height;

    platform::GlyphFont font;
    font.face = face ? face : "";
    font.weight = weight;
    font.height = height;
    font.underline = underline;
    font.italic = italic;
    std::vector<platform::GlyphBitmap> glyphs;
    if (!platform::RasterizeGlyphs(font, 0, kGlyphCount, glyphs)) {
        glDeleteLists(m_base, kGlyphCount);
        m_base = 0;
        m_context = nullptr;
        return CVersions::Print(false, "CGLfont::Create CreateFont fehlgeschlagen!\n");
    }

    while (glGetError() != GL_NO_ERROR) {
    }
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<uint8_t> rows;
    for (int i = 0; i < kGlyphCount; ++i) {
        const platform::GlyphBitmap& g = glyphs[size_t(i)];
        // glBitmap wants the bottom row first.
        const int stride = (g.width + 7) / 8;
        rows.assign(g.bits.size(), 0);
        for (int y = 0; y < g.height; ++y)
            std::copy_n(g.bits.begin() + ptrdiff_t(y) * stride, stride,
                        rows.begin() + ptrdiff_t(g.height - 1 - y) * stride);
        glNewList(m_base + GLuint(i), GL_COMPILE);
        if (g.width > 0 && g.height > 0) {
            glBitmap(g.width, g.height, g.xOrigin, g.yOrigin, g.advance, 0.0f, rows.data());
        } else {
            // An empty glyph as one clear pixel: some drivers refuse empty bitmaps in lists.
            const GLubyte blank = 0;
            glBitmap(1, 1, 0.0f, 0.0f, g.advance, 0.0f, &blank);
        }
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);

    if (glGetError() != GL_NO_ERROR) {
        glDeleteLists(m_base, kGlyphCount);
        m_base = 0;
        m_context = nullptr;
        return CVersions::Print(false, "CGLfont::Create wglUseFontBitmaps fehlgeschlagen!\n");
    }
    return CVersions::Print(true, "CGLfont::Create Font erfolgreich erstellt. Kontext: %p, Liste: %u\n", m_context,
                            m_base);
}

void CGLfont::Delete()
{
    if (m_base != 0 && QOpenGLContext::currentContext())
        glDeleteLists(m_base, kGlyphCount);
    m_base = 0;
    m_context = nullptr;
}

void CGLfont::CallLists(const CVec3& position, const char* text) const
{
    glRasterPos3f(position.x, position.y, position.z);
    // Only the codes that have a list; the names above them may belong to others.
    std::string ascii;
    for (const char* p = text ? text : ""; *p; ++p)
        if (static_cast<unsigned char>(*p) < kGlyphCount)
            ascii.push_back(*p);
    glListBase(m_base);
    if (!ascii.empty())
        glCallLists(GLsizei(ascii.size()), GL_UNSIGNED_BYTE, ascii.data());
    glListBase(0);
}

void CGLfont::Draw(const CVec3& position, const char* text, bool noDepthTest) const
{
    if (m_base == 0)
        return;
    if (noDepthTest)
        glDisable(GL_DEPTH_TEST);
    CallLists(position, text);
    if (noDepthTest)
        glEnable(GL_DEPTH_TEST);
}

void CGLfont::DrawColored(const CVec3& position, const char* text, uint32_t colour) const
{
    if (m_base == 0)
        return;
    glColor3f(float(colour & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
              float((colour >> 16) & 0xFF) / 255.0f);
    glDisable(GL_DEPTH_TEST);
    CallLists(position, text);
    glEnable(GL_DEPTH_TEST);
    glColor3f(0.0f, 0.0f, 0.0f);
}
