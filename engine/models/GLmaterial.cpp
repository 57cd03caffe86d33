#include "engine/models/GLmaterial.h"

#include "engine/models/GLmeshObj.h"
#include "engine/models/TextureList.h"
#include "foundation/core/FileHelpers.h"
#include "foundation/image/Dib.h"
#include "platform/GL.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <strings.h>


// ---------------------------------------------------------------- CGLmaterial

CGLmaterial::CGLmaterial() = default;

CGLmaterial::CGLmaterial(CVec3 ambient, CVec3 diffuse, CVec3 specular, float shininess, float intensity, float,
                         float alpha)
{
    Assign(ambient, diffuse, specular, shininess, intensity, alpha);
}

CGLmaterial::~CGLmaterial() = default;

void CGLmaterial::Assign(CVec3 ambient, CVec3 diffuse, CVec3 specular, float shininess, float intensity, float alpha)
{
    auto put = [alpha](float dst[4], const CVec3& c) {
        dst[0] = c.x;
        dst[1] = c.y;
        dst[2] = c.z;
        dst[3] = alpha;
    };
    put(m_ambient, ambient);
    put(m_diffuse, diffuse);
    put(m_specular, specular * (intensity * 0.0078125f));
    m_shininess = shininess;
    m_intensity = intensity;
    m_alpha = alpha;
}

bool CGLmaterial::Set(const std::string& name, int flags, CVec3 ambient, CVec3 diffuse, CVec3 specular,
                      float shininess, float intensity, float alpha, float emission)
{
    m_name = name;
    m_flags = flags;
    Assign(ambient, diffuse, specular, shininess, intensity, alpha);
    m_emission[0] = m_emission[1] = m_emission[2] = emission;
    m_emission[3] = 1.0f;
    return true;
}

void CGLmaterial::Apply(bool colourMaterial, float alpha)
{
    if (colourMaterial) {
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    }
    if (m_alpha > 0 || alpha > 0) {
        if (alpha != 0) {
            m_alpha = alpha;
            m_diffuse[3] = alpha;
            m_ambient[3] = alpha;
        }
        glEnable(GL_BLEND);
        if (colourMaterial) {
            glDisable(GL_COLOR_MATERIAL);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        } else {
            glColor4f(m_diffuse[0], m_diffuse[1], m_diffuse[2], m_alpha);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
    }
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m_shininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, m_emission);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m_ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m_diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m_specular);
}

void CGLmaterial::Unapply()
{
    if (m_alpha > 0)
        glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 0);
    glDisable(GL_COLOR_MATERIAL);
}

uint32_t CGLmaterial::ToRGB(const float c[4])
{
    auto byte = [](float v) { return uint32_t(int(255.0f * std::clamp(v, 0.0f, 1.0f)) & 0xFF); };
    return byte(c[0]) | (byte(c[1]) << 8) | (byte(c[2]) << 16);
}

bool CGLmaterial::InitFog(const CVec3* vertices, int count, float level, float density, CVec3 colour, float start,
                          float end)
{
    m_fogCount = count;
    if (vertices && count > 0) {
        m_fog.assign(size_t(count), 0.0f);
        UpdateFog(vertices, level);
    }
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, start);
    glFogf(GL_FOG_END, end);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    const float c[4] = {colour.x, colour.y, colour.z, 1.0f};
    glFogfv(GL_FOG_COLOR, c);
    glFogf(GL_FOG_DENSITY, density);
    return true;
}

void CGLmaterial::UpdateFog(const CVec3* vertices, float level)
{
    if (!vertices)
        return;
    for (size_t i = 0; i < m_fog.size(); ++i)
        m_fog[i] = std::max(0.0f, level - vertices[i].z);
}

void CGLmaterial::FreeFog()
{
    m_fog.clear();
    m_fog.shrink_to_fit();
    m_fogCount = 0;
}

void CGLmaterial::EnableFog()
{
    if (HasFog())
        glEnable(GL_FOG);
}

void CGLmaterial::DisableFog()
{
    if (HasFog())
        glDisable(GL_FOG);
}

// ------------------------------------------------------------- CGLtexMaterial

namespace {

bool StartsWithNoCase(const std::string& s, const std::string& prefix)
{
    return s.size() >= prefix.size() && strncasecmp(s.c_str(), prefix.c_str(), prefix.size()) == 0;
}

// A long texture name cut to 8.3 by the 3DS format: the first picture file of the
// name's folder whose name begins with the whole file name (8 or more characters).
std::string SearchByPrefix(const std::string& name)
{
    std::string drive, folder, stem, extension;
    SplitPath(name, &drive, &folder, &stem, &extension);
    if (stem.size() < 8)
        return {};
    StringList pictures;
    FindImageFiles(drive + (folder.empty() ? std::string(".") : folder), pictures);
    for (const std::string& file : pictures)
        if (StartsWithNoCase(file, stem))
            return drive + folder + file;
    return {};
}

// Uploads a picture as a mipmapped texture; -1 when it does not load.
int LoadTexture(const std::string& file)
{
    CDib dib;
    if (!dib.Load(file.c_str()) || !dib.GetBits() || dib.GetWidth() <= 0 || dib.GetHeight() <= 0)
        return -1;
    int width = dib.GetWidth();
    int height = dib.GetHeight();
    int bits = dib.GetBitCount();
    GLenum format = bits == 24 ? GL_BGR : bits == 8 ? GL_LUMINANCE : GL_BGRA;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1); // rows are not padded
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, format, GL_UNSIGNED_BYTE, dib.GetBits());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glGenerateMipmap(GL_TEXTURE_2D);
    return int(texture);
}

} // namespace

namespace {

// The name rewritten to the "Map" folder beside the program (unless it exists as given).
std::string MapName(const std::string& name)
{
    std::string path = name;
    ResolveFile(path, "Map");
    return path;
}

} // namespace

std::string CGLtexMaterial::ResolveTexture(const std::string& name, std::string* renamed)
{
    if (name.empty())
        return {};
    std::string file = platform::ResolvePath(name);
    if (platform::FileExists(file))
        return file;
    // the program's "Map" folder, and there a long name cut to 8.3 by the 3DS format
    const std::string mapName = MapName(name);
    file = platform::ResolvePath(mapName);
    if (platform::FileExists(file))
        return file;
    const std::string found = SearchByPrefix(mapName);
    if (found.empty())
        return {};
    if (renamed)
        *renamed = found;
    return platform::ResolvePath(found);
}

bool CGLtexMaterial::SearchTexture(CGLmaterialData* record)
{
    if (!record)
        return false;
    std::string found = SearchByPrefix(record->textureFile);
    if (found.empty())
        return false;
    record->textureFile = found;
    return true;
}

int CGLtexMaterial::FindTexture(const char* file) { return file ? g_TextureList.Find(file) : -1; }

bool CGLtexMaterial::Create(CGLmaterialData* record, bool loadTexture)
{
    if (!record)
        return false;
    if (loadTexture && !record->textureFile.empty()) {
        const std::string file = ResolveTexture(record->textureFile, &record->textureFile);
        if (!file.empty()) {
            m_texture = g_TextureList.Find(file);
            if (m_texture < 0) {
                m_texture = LoadTexture(file);
                if (m_texture >= 0)
                    g_TextureList.Add(file, m_texture);
            }
            if (m_texture >= 0)
                record->textureName = m_texture;
        }
    }
    return Set(record->name, record->index, record->ambient, record->diffuse, record->specular, record->shininess,
               record->intensity, record->alpha, 0.1f);
}

void CGLtexMaterial::BindTexture() const
{
    if (!HasTexture())
        return;
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, GLuint(m_texture));
}

void CGLtexMaterial::Unapply()
{
    if (HasTexture()) {
        glActiveTexture(GL_TEXTURE0);
        glDisable(GL_TEXTURE_2D);
    }
    CGLmaterial::Unapply();
}
