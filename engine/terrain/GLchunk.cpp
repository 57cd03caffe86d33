#include "engine/terrain/GLchunk.h"

#include "engine/models/GLlight.h" // g_BoundBox
#include "engine/gl/GLShader.h"
#include "engine/gl/GLcamera.h"
#include "engine/gl/GLfont.h"
#include "engine/gl/GLprimitives.h"
#include "engine/terrain/GLterrain.h"
#include "engine/gl/GLtransform.h"
#include "foundation/core/Versions.h"
#include "foundation/image/Dib.h"
#include "platform/Clock.h"
#include "platform/GL.h"

#include <cstdio>
#include <cstring>

#include <algorithm>
#include <cfloat>

CGLchunk::CGLchunk() = default;

CGLchunk::~CGLchunk()
{
    ResetBuffers();
}

void CGLchunk::ResetBuffers()
{
    m_vbo.Reset();
}

void CGLchunk::Clear()
{
    m_chunks.clear();
    m_indices.clear();
    m_indices.shrink_to_fit();
    ResetBuffers();
    m_vertices = m_normals = m_colours = nullptr;
    m_texCoords = nullptr;
    m_terrainIndices = nullptr;
}

bool CGLchunk::Create(int width, int height, float cellSize, bool texture, bool colours, CGLterrain* terrain,
                      CVec3* vertices, CVec3* normals, float* texCoords, CVec3* colourArray, uint32_t* indices,
                      CGLShader* shader)
{
    const uint32_t t0 = platform::TickCount();
    m_chunks.clear();
    m_indices.clear();
    ResetBuffers();
    m_vertices = vertices;
    m_normals = normals;
    m_texCoords = texCoords;
    m_colours = colourArray;
    m_terrainIndices = indices;
    m_terrain = terrain;
    m_shader = shader;
    BuildRecords(width, height, cellSize, vertices);

    // only the attributes the chunks draw go to the GPU: a copy of an unused
    // array costs start-up time and memory
    m_vbo.Create(vertices, normals, colours ? colourArray : nullptr, texture ? texCoords : nullptr, m_indices.data(),
                 texture, colours, int(int64_t(width) * height), int(m_indices.size()));

    if (shader)
        shader->Use();
    if (texture) {
        if (!LoadTextures()) {
            if (shader)
                shader->Unuse();
            return CVersions::Print(false, "CGLchunk::Create Failed load 4 Texels\n");
        }
        if (shader) {
            shader->SetInt("uWaterTex", 1);
            shader->SetInt("uGrassTex", 2);
            shader->SetInt("uRockTex", 3);
            shader->SetInt("uMountainTex", 4);
            shader->SetFloat("uMinHeight", m_minHeight);
            shader->SetFloat("uMaxHeight", m_maxHeight);
            shader->SetFloat("uWaterTileFactor", 0.001f);
            shader->SetFloat("uGrassTileFactor", 0.001f);
            shader->SetFloat("uRockTileFactor", 0.001f);
            shader->SetFloat("uMountainTileFactor", 0.001f);
            shader->SetFloat("uFallbackStart", 5000.0f);
            shader->SetFloat("uFallbackEnd", 20000.0f);
        }
    }
    if (shader) {
        shader->SetInt("uUseTexture", texture ? 1 : 0);
        shader->SetVec3("vLightPos", 0.0f, 0.0f, 50000.0f);
        shader->SetVec3("uLightColor", 1.0f, 1.0f, 1.0f);
        shader->SetVec3("vViewPos", 0.0f, 0.0f, 0.0f);
        shader->Unuse();
    }
    glActiveTexture(GL_TEXTURE0);
    return CVersions::Print(true, "CGLchunk::Create CalcTime=%d\n", int(platform::TickCount() - t0));
}

float CGLchunk::GroundAnisotropy(float maxAnisotropy, const char* renderer)
{
    // Software rasterisers take a slow path for any anisotropy above 1: seconds
    // per frame when the camera looks along the ground.
    if (renderer && (std::strstr(renderer, "llvmpipe") || std::strstr(renderer, "softpipe")))
        return 1.0f;
    return std::max(1.0f, maxAnisotropy * 0.5f); // below 1 is not a valid setting
}

bool CGLchunk::LoadTextures()
{
    static const char* const kNames[4] = {"Map\\VodiGround.bmp", "Map\\VodiMid.bmp", "Map\\VodiRock.bmp",
                                          "Map\\VodiHead.bmp"};
    GLfloat maxAniso = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAniso);
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const GLfloat anisotropy = GroundAnisotropy(maxAniso, renderer);
    CDib dib;
    for (int i = 0; i < 4; ++i) {
        // a missing file loads as an empty image: that counts as a failure here
        if (!dib.Load(kNames[i]) || !dib.GetBits())
            return false;
        int w = 0, h = 0, bits = 0;
        dib.GetDimension(&w, &h, &bits);
        if (w < 1 || h < 1)
            return false;
        if (m_groundTextures[i] != 0)
            glDeleteTextures(1, &m_groundTextures[i]);
        glGenTextures(1, &m_groundTextures[i]);
        glActiveTexture(GL_TEXTURE1 + i);
        glBindTexture(GL_TEXTURE_2D, m_groundTextures[i]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy);
        const GLenum format = bits == 24 ? GL_BGR : (bits == 8 ? GL_LUMINANCE : GL_BGRA);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1); // rows are not padded
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, format, GL_UNSIGNED_BYTE, dib.GetBits());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    glActiveTexture(GL_TEXTURE0);
    return true;
}

void CGLchunk::DrawDebug(const CGLchunkRecord& r, float distance, int level)
{
    static std::string label; // the label text, built on first use
    glColor3f(0.0f, 0.65f, 0.0f);
    glLineWidth(1.0f);
    GLDrawBox(r.minX, r.minY, r.minZ, r.maxX, r.maxY, r.maxZ);
    char buf[64];
    std::snprintf(buf, sizeof buf, "LOD=%d D=%0.0f", level, double(distance));
    label = buf;
    if (m_terrain)
        m_terrain->GetFont().Draw(r.centre, label.c_str(), true);
    glColor3f(0.5f, 0.5f, 0.5f);
}

void CGLchunk::SelectAndDraw(CGLcamera* view, bool shader, bool textureMode, bool clientArrays, int* drawn)
{
    if (drawn)
        *drawn = 0;
    if (!view)
        return;
    view->UpdateFrustum();
    const CVec3 eye = *view->GetPosition();
    const bool useShader = shader && m_shader && m_shader->IsValid();
    for (const auto& r : m_chunks) {
        const float dist = eye.Distance(r.centre);
        const int level = LevelForDistance(dist);
        if (!view->BoxInFrustum(r.minX, r.minY, r.minZ, r.maxX, r.maxY, r.maxZ))
            continue;
        if (clientArrays) {
            glDrawElements(GL_TRIANGLES, r.count[level], GL_UNSIGNED_INT, m_indices.data() + r.first[level]);
        } else {
            m_vbo.Draw(useShader, textureMode, !textureMode, r.first[level], r.count[level]);
        }
        if (g_BoundBox != 0 && dist < float(m_sceneSize) / 4.0f) {
            if (useShader)
                m_shader->Unuse();
            DrawDebug(r, dist, level);
            if (useShader)
                m_shader->Use();
        }
        if (drawn)
            ++*drawn;
    }
}

void CGLchunk::Render(CGLcamera* view, unsigned /*texture*/, bool textureMode, int* drawn)
{
    if (!m_shader) {
        RenderFixed(view, 0, textureMode, drawn);
        return;
    }
    m_shader->Use();
    if (textureMode) {
        for (int i = 0; i < 4; ++i) {
            glActiveTexture(GL_TEXTURE1 + i);
            glBindTexture(GL_TEXTURE_2D, m_groundTextures[i]);
        }
        glActiveTexture(GL_TEXTURE0);
    }
    m_shader->SetInt("uUseTexture", textureMode ? 1 : 0);
    m_shader->SetFloat("uTime", float(platform::TickCount()) * 0.001f);
    m_shader->SetAttribArrays(m_vertices, m_normals, m_texCoords, m_colours, textureMode);
    if (view) {
        const CVec3 eye = *view->GetPosition();
        m_shader->SetVec3("uCameraPos", eye.x, eye.y, eye.z);
        m_shader->SetMatrix4("uModelMatrix", CGLtransform::GetIdentity());
        m_shader->SetIVec4("uViewport", view->GetViewport());
        m_shader->SetMatrix4("uProjectionMatrix", view->GetProjection().GetMatrix());
        m_shader->SetMatrix4("uViewMatrix", view->GetModelView().GetMatrix());
    }
    m_shader->EnableAttribs(textureMode);
    SelectAndDraw(view, true, textureMode, false, drawn);
    m_shader->DisableAttribs();
    m_shader->Unuse();
}

void CGLchunk::RenderFixed(CGLcamera* view, unsigned texture, bool textureMode, int* drawn)
{
    glColor3f(0.5f, 0.5f, 0.5f);
    glEnable(GL_TEXTURE_2D);
    if (textureMode)
        glBindTexture(GL_TEXTURE_2D, texture);
    SelectAndDraw(view, false, textureMode, false, drawn);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
}

void CGLchunk::RenderArrays(CGLcamera* view, unsigned texture, bool textureMode, int* drawn)
{
    if (!m_vertices || !m_normals)
        return;
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glColor3f(0.5f, 0.5f, 0.5f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 12, m_vertices);
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 12, m_normals);
    if (textureMode && m_texCoords) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 8, m_texCoords);
    } else if (!textureMode && m_colours) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, 12, m_colours);
    }
    SelectAndDraw(view, false, textureMode, true, drawn);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
}

void CGLchunk::BuildRecords(int width, int height, float cellSize, const CVec3* vertices)
{
    const uint32_t t0 = platform::TickCount();
    m_chunks.clear();
    m_indices.clear();
    m_chunkSize = kChunkSize;
    m_width = width;
    m_height = height;
    m_cellSize = cellSize;
    m_sceneSize = int(float(std::max(width, height)) * cellSize);
    m_minHeight = FLT_MAX;
    m_maxHeight = FLT_MIN;
    CVersions::Print(true, "CGLchunk::Create ChunkSize=%d SzeneSize=%d ChunksNeed=%d\n", m_chunkSize, m_sceneSize,
                     m_sceneSize / m_chunkSize);

    const int64_t W = width;
    // room for every level of every chunk at once: no regrowth of a large list
    size_t total = 0;
    for (int h = 0; vertices && h < height; h += m_chunkSize)
        for (int c = 0; c < width; c += m_chunkSize) {
            const int rows = h + m_chunkSize < height ? m_chunkSize + 1 : std::min(m_chunkSize, height - h);
            const int cols = c + m_chunkSize < width ? m_chunkSize + 1 : std::min(m_chunkSize, width - c);
            for (int level = 0; level < kLevels; ++level) {
                const int s = 1 << level;
                total += size_t(6) * size_t((rows + s - 1) / s) * size_t((cols + s - 1) / s);
            }
        }
    m_indices.reserve(total);
    for (int h = 0; vertices && h < height; h += m_chunkSize) {
        for (int c = 0; c < width; c += m_chunkSize) {
            CGLchunkRecord r{};
            r.row = h;
            r.col = c;
            // neighbouring chunks share one row or column of vertices
            r.rows = h + m_chunkSize < height ? m_chunkSize + 1 : std::min(m_chunkSize, height - h);
            r.cols = c + m_chunkSize < width ? m_chunkSize + 1 : std::min(m_chunkSize, width - c);
            const CVec3& first = vertices[h * W + c];
            const CVec3& last = vertices[(h + r.rows - 1) * W + c + r.cols - 1];
            r.minX = first.x;
            r.minY = first.y;
            r.maxX = last.x;
            r.maxY = last.y;
            r.minZ = FLT_MAX;
            r.maxZ = -FLT_MAX;
            for (int i = 0; i < r.rows; ++i) {
                const CVec3* row = vertices + (h + i) * W + c;
                for (int j = 0; j < r.cols; ++j) {
                    r.minZ = std::min(r.minZ, row[j].z);
                    r.maxZ = std::max(r.maxZ, row[j].z);
                }
            }
            m_minHeight = std::min(m_minHeight, r.minZ);
            m_maxHeight = std::max(m_maxHeight, r.maxZ);

            for (int level = 0; level < kLevels; ++level) {
                const int s = 1 << level;
                r.first[level] = int(m_indices.size());
                for (int b = 0; b < r.rows; b += s) {
                    if (h + b + s >= height)
                        break;
                    for (int e = 0; e < r.cols; e += s) {
                        if (c + e + s >= width)
                            break;
                        const uint32_t p = uint32_t((h + b) * W + c + e);
                        const uint32_t q = p + uint32_t(s);
                        const uint32_t rr = p + uint32_t(s * W);
                        const uint32_t ss = rr + uint32_t(s);
                        m_indices.insert(m_indices.end(), {p, rr, q, rr, ss, q});
                    }
                }
                r.count[level] = int(m_indices.size()) - r.first[level];
            }
            r.centre = CVec3((r.minX + r.maxX) * 0.5f, (r.minY + r.maxY) * 0.5f, (r.minZ + r.maxZ) * 0.5f);
            m_chunks.push_back(r);
        }
    }

    CVersions::Print(true, "CGLchunk::Create InnertCalcTime=%d\n", int(platform::TickCount() - t0));

    const float d = float(m_chunkSize) * cellSize;
    for (int k = 1; k <= kLevels; ++k)
        m_levelDistance[k - 1] = int(float(k) * d);
}

int CGLchunk::LevelForDistance(float distance) const
{
    for (int k = 0; k < kLevels; ++k)
        if (distance <= float(m_levelDistance[k]))
            return k;
    return kLevels - 1;
}
