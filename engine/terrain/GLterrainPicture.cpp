// Terrain from pictures and camera depth frames.
#include "engine/terrain/GLterrain.h"

#include "foundation/core/Versions.h"
#include "foundation/image/ImageFilters.h"
#include "foundation/math/Tables.h"
#include "platform/GL.h"

#include <algorithm>
#include <cmath>
#include <cfloat>
#include <cstring>

namespace {
constexpr int kMaxPictureSide = 65535;

float FirstPixelFloat(const uint8_t* pixels)
{
    float f;
    std::memcpy(&f, pixels, 4);
    return f;
}
} // namespace

bool CGLterrain::Create(CImageSource* source, CImageSource* textureSource)
{
    Free();
    if (!source || !textureSource)
        return false;
    m_worldGrid = true;
    m_width = source->GetWidth();
    m_height = source->GetHeight();
    m_bitsPerPixel = source->GetBitCount();
    if (m_width < 2 || m_height < 2 || m_width > kMaxPictureSide || m_height > kMaxPictureSide || !source->GetBits())
        return false;
    m_heightScale = 400.0f / m_cellSize * m_cellSize;
    m_textureMode = true;
    m_count = int64_t(m_width) * m_height;
    m_smoothPasses = 16;
    m_indexCount = 6 * m_count;
    if (!m_image.CopyFrom(source) || !AllocArrays())
        return false;
    BuildGrid();
    if (!HeightsFromImage(m_image.GetBits(), size_t(m_image.GetImageSize())))
        return false;
    SmoothHeightGridThreaded(16, m_width, m_height, m_vertices);
    ComputeTexCoords();
    ComputeNormals(true);
    ComputeFaceNormals();
    ComputeColors(m_vertices);
    if (!m_radar.Create(m_width, m_height, m_bitsPerPixel, m_colors, m_vertices, m_cellSize))
        return CVersions::Print(false, "CGLterrain::Create Error Create Radar\n");
    m_shader.Create("Shader\\TestFs2.frag", "Shader\\TestVs2.vert", "Shader\\Demo.geom");
    m_chunks.Create(m_width, m_height, m_cellSize, m_textureMode, !m_textureMode, this, m_vertices, m_normals,
                    m_texCoords, m_colors, m_indices, &m_shader);
    return UploadTexture(textureSource->GetBits(), textureSource->GetWidth(), textureSource->GetHeight(),
                         textureSource->GetBitCount());
}

bool CGLterrain::PreparePicture(const std::string& path, int width, int height, int bits)
{
    Free();
    m_worldGrid = false;
    m_cellSize = 1.0f;
    if (!path.empty()) {
        m_image.SetName(path);
        if (!m_image.Load(path.c_str()) || !m_image.GetBitmapInfo())
            return false;
        width = m_image.GetWidth();
        height = m_image.GetHeight();
        bits = m_image.GetBitCount();
    }
    if (m_image.GetBitmapInfo()) {
        m_pictureFromFile = true;
        if (bits == 32) {
            const float scale = FirstPixelFloat(m_image.GetBits());
            m_pictureHeightScale = scale >= 1.0f && scale <= 1000.0f ? scale : 1.0f;
        }
    } else {
        if (!m_image.Create(width, height + 2 * m_extraRows, bits))
            return false;
        m_pictureHeightScale = 0.0f;
    }
    m_width = width ? width : m_image.GetWidth();
    m_height = height ? height : m_image.GetHeight();
    if (!width || !height) {
        m_width = m_image.GetWidth();
        m_height = m_image.GetHeight();
    }
    m_bitsPerPixel = m_image.GetBitCount();
    if (m_width < 2 || m_height < 2 || m_width > kMaxPictureSide || m_height > kMaxPictureSide)
        return false;
    m_count = int64_t(m_width) * m_height;
    m_indexCount = 6 * m_count;
    if (!AllocArrays())
        return false;
    BuildGrid();
    ComputeTexCoords();
    for (int64_t k = 0; k < m_count; ++k) {
        m_vertices[k].z = 0.0f;
        m_normals[k] = CVec3(0.0f, 0.0f, 1.0f);
        m_colors[k] = CVec3(1.0f, 1.0f, 1.0f);
    }
    return true;
}

bool CGLterrain::CreateFromPicture(const std::string& path, int width, int height, int bits)
{
    if (!PreparePicture(path, width, height, bits))
        return false;
    m_vbo.Create(m_vertices, m_normals, m_colors, m_texCoords, m_indices, m_textureMode, !m_textureMode,
                 int(m_count), int(6 * m_count));
    if (m_pictureFromFile) {
        const BitmapInfo* info = m_image.GetBitmapInfo();
        return UpdateFromImage(m_image.GetBits(), info->bmiHeader.biSizeImage, m_width, m_height, m_bitsPerPixel);
    }
    return true;
}

bool CGLterrain::ApplyImage(const uint8_t* pixels, size_t length, int width, int height, int bits, bool& recreated)
{
    recreated = false;
    if (!pixels)
        return false;
    bool depth = false;
    if (m_pictureFromFile) {
        if (width != m_width || height != m_height || bits != m_bitsPerPixel)
            return CVersions::Print(false, "CGLterrain::UpdateFromImage picture of %dx%d, %d bits, for a terrain of "
                                           "%dx%d, %d bits\n",
                                    width, height, bits, m_width, m_height, m_bitsPerPixel);
        if (!HeightsFromImage(pixels, length))
            return false;
    } else {
        DepthFrame frame;
        const DepthParse parsed = ParseDepthFrame(pixels, length, width, height, bits, frame);
        if (parsed == DepthParse::Bad)
            return CVersions::Print(false, "CGLterrain::UpdateFromImage depth frame does not fit its buffer\n");
        depth = parsed == DepthParse::Ok;
        if (!depth && (width < 1 || height < 1 || length < size_t(width) * size_t(height) * size_t(bits / 8)))
            return CVersions::Print(false, "CGLterrain::UpdateFromImage picture shorter than its rows\n");
        const int d = depth ? frame.headerRows : 0;
        if (!m_image.GetBitmapInfo() || width != m_width || height != m_height || bits != m_bitsPerPixel ||
            d != m_extraRows) {
            m_extraRows = d;
            if (!PreparePicture("", width, height, bits))
                return false;
            recreated = true;
            m_width = width;
            m_height = height;
        }
        // the picture rows and the header rows, as far as the buffer holds them
        const size_t row = size_t(width) * size_t(bits / 8);
        const size_t want = row * (size_t(height) + 2 * size_t(d));
        const BitmapInfo* info = m_image.GetBitmapInfo();
        const size_t bytes = std::min({want, length, size_t(info->bmiHeader.biSizeImage)});
        std::memcpy(m_image.GetBits(), pixels, bytes);
        if (depth) {
            m_depthFrame = frame;
            HeightsFromDepth(frame);
            const float range = 2.0f * (m_maxHeight - m_minHeight);
            m_cloud.BuildRing(m_width, m_height, range, 90.0f, -90.0f, -90.0f,
                              CVec3(float(m_width - m_width / 4), 0.0f, 2.0f * std::trunc(m_maxHeight)), m_vertices,
                              m_colors);
        } else if (!HeightsFromImage(pixels, length)) {
            return false;
        }
    }
    if (m_smoothPasses != 0)
        SmoothHeightGridThreaded(m_smoothPasses, m_width, m_height, m_vertices);
    if (!m_textureMode && !depth)
        ComputeColors(m_vertices);
    ComputeNormals(false);
    return true;
}

bool CGLterrain::UpdateFromImage(const uint8_t* pixels, size_t length, int width, int height, int bits)
{
    bool recreated = false;
    if (!ApplyImage(pixels, length, width, height, bits, recreated))
        return false;
    if (recreated)
        m_vbo.Create(m_vertices, m_normals, m_colors, m_texCoords, m_indices, m_textureMode, !m_textureMode,
                     int(m_count), int(6 * m_count));
    if (m_textureMode)
        UploadTexture(m_image.GetBits(), m_width, m_height, m_image.GetBitCount());
    m_vbo.Update(m_normals, m_colors, m_vertices, m_texCoords, int(m_count), m_textureMode, !m_textureMode);
    return true;
}

bool CGLterrain::HeightsFromImage(const uint8_t* pixels, size_t length)
{
    if (!pixels || !m_vertices || m_width < 1 || m_height < 1)
        return false;
    const int B = m_bitsPerPixel / 8;
    if (B != 1 && B != 3 && B != 4)
        return false;
    if (length / size_t(B) / size_t(m_width) < size_t(m_height))
        return CVersions::Print(false, "CGLterrain::UpdateFromImage picture shorter than its rows\n");
    float maxZ = FLT_MIN, minZ = FLT_MAX;
    for (int i = 0; i < m_height; ++i) {
        for (int j = 0; j < m_width; ++j) {
            const size_t at = size_t(j) + size_t(m_height - i - 1) * size_t(m_width);
            const uint8_t* p = pixels + size_t(B) * at;
            // a 32-bit picture's first pixel holds its height scale: it counts as 0
            float value = B == 4 ? (at == 0 ? 0.0f : p[3]) : B == 3 ? (float(p[0]) + float(p[1]) + float(p[2])) / 3.0f
                                                                     : p[0];
            const float z = value * m_heightScale;
            m_vertices[int64_t(i) * m_width + j].z = z;
            maxZ = std::max(maxZ, z);
            minZ = std::min(minZ, z);
        }
    }
    for (int64_t k = 0; k < m_count; ++k)
        m_vertices[k].z -= minZ;
    m_maxHeight = maxZ - minZ;
    m_minHeight = 0.0f;
    return true;
}

void CGLterrain::HeightsFromDepth(const DepthFrame& frame)
{
    if (!frame.depths || !m_vertices)
        return;
    const float s = m_heightScale;
    const float max1 = s * frame.max1, min1 = s * frame.min1;
    const float max2 = s * frame.max2, min2 = s * frame.min2;
    m_maxHeight = std::max(max2, max1);
    m_minHeight = std::min(min2, min1);
    for (int i = 0; i < m_height; ++i) {
        const bool upper = i < m_height / 2;
        for (int j = 0; j < m_width; ++j) {
            const int64_t k = int64_t(i) * m_width + j;
            const float z = s * DepthAt(frame, k);
            m_vertices[k].z = z;
            ValueToColor(m_colors[k], z, upper ? min2 : min1, upper ? max2 : max1);
        }
    }
}

void CGLterrain::ComputeGreyColors(const CVec3* vertices)
{
    if (!vertices || !m_colors)
        return;
    for (int64_t k = 0; k < m_count; ++k)
        ValueToGreyLog(m_colors[k], vertices[k].z, m_minHeight, m_maxHeight);
}

bool CGLterrain::UploadTexture(const uint8_t* pixels, int width, int height, int bits)
{
    m_textureMode = true;
    if (!pixels || width < 1 || height < 1 || (bits != 8 && bits != 24 && bits != 32))
        return false;
    if (m_texture == 0)
        glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic"))
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, 1.0f);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GLenum format = bits == 24 ? GL_BGR : bits == 8 ? GL_LUMINANCE : GL_BGRA;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows are not padded
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glGenerateMipmap(GL_TEXTURE_2D);
    return true;
}

void CGLterrain::RenderArrays()
{
    if (!m_vertices || !m_indices || m_width < 2 || m_height < 2)
        return;
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glNormalPointer(GL_FLOAT, 0, m_normals);
    glVertexPointer(3, GL_FLOAT, 0, m_vertices);
    if (m_textureMode) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, m_texture);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, m_texCoords);
    } else {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, 0, m_colors);
    }
    glDrawElements(GL_TRIANGLES, GLsizei(std::min<int64_t>(GetGridIndexCount(), INT32_MAX)), GL_UNSIGNED_INT,
                   m_indices);
    glDisable(GL_TEXTURE_2D);
    CGLvbo::DisableArrays();
}

void CGLterrain::DrawNormals()
{
    if (!m_vertices || !m_normals)
        return;
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_LINES);
    for (int64_t k = 0; k < m_count; ++k) {
        const CVec3& v = m_vertices[k];
        const CVec3& n = m_normals[k];
        glVertex3f(v.x, v.y, v.z);
        glVertex3f(v.x + n.x, v.y + n.y, v.z + n.z);
    }
    glEnd();
}

bool CGLterrain::SaveScreenRect(const std::string& name, const ImageRect& rect)
{
    const int w = rect.right - rect.left;
    const int h = rect.top - rect.bottom;
    CDib shot;
    if (!shot.Create(w, h, 24))
        return false;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);  // the image's rows are not padded
    glReadPixels(0, 0, w, std::abs(h), GL_BGR, GL_UNSIGNED_BYTE, shot.GetBits());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return shot.Save(name.c_str(), nullptr);
}
