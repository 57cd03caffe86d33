#pragma once
// Fixed-function materials: a plain colour material (also used by the terrain and the
// overlays) and the 3DS material with an optional texture found on disk.
#include "foundation/math/Vec3.h"

#include <cstdint>
#include <string>
#include <vector>

struct CGLmaterialData;

class CGLmaterial {
public:
    CGLmaterial();
    // The further value (`unused`) is ignored; specular is scaled by intensity / 128.
    CGLmaterial(CVec3 ambient, CVec3 diffuse, CVec3 specular, float shininess, float intensity, float unused,
                float alpha);
    ~CGLmaterial();

    bool Set(const std::string& name, int flags, CVec3 ambient, CVec3 diffuse, CVec3 specular, float shininess,
             float intensity, float alpha, float emission);
    // Colour material on: ambient and diffuse follow the current colour. A given
    // alpha above 0 replaces the material's.
    void Apply(bool colourMaterial, float alpha);
    void Unapply();

    float GetAlpha() const { return m_alpha; }
    int GetFlags() const { return m_flags; }
    const std::string& GetName() const { return m_name; }
    // 0x00BBGGRR, each component int(255 x c)
    uint32_t GetAmbientRGB() const { return ToRGB(m_ambient); }
    uint32_t GetDiffuseRGB() const { return ToRGB(m_diffuse); }
    uint32_t GetSpecularRGB() const { return ToRGB(m_specular); }
    const float* GetAmbient() const { return m_ambient; }
    const float* GetDiffuse() const { return m_diffuse; }
    const float* GetSpecular() const { return m_specular; }
    const float* GetEmission() const { return m_emission; }
    float GetShininess() const { return m_shininess; }

    // Fog coordinates (level - z, at least 0) kept for the vertices, and the fog state.
    bool InitFog(const CVec3* vertices, int count, float level, float density, CVec3 colour, float start, float end);
    void UpdateFog(const CVec3* vertices, float level);
    bool HasFog() const { return !m_fog.empty(); }
    void FreeFog();
    void EnableFog();
    void DisableFog();
    const std::vector<float>& GetFogCoords() const { return m_fog; }

protected:
    static uint32_t ToRGB(const float c[4]);
    void Assign(CVec3 ambient, CVec3 diffuse, CVec3 specular, float shininess, float intensity, float alpha);

    int m_fogCount = 0;
    std::vector<float> m_fog;
    float m_ambient[4] = {0, 0, 0, 0};
    float m_diffuse[4] = {0, 0, 0, 0};
    float m_specular[4] = {0, 0, 0, 0};
    float m_emission[4] = {0, 0, 0, 1};
    std::string m_name;
    int m_flags = 0;
    float m_shininess = 0;
    float m_intensity = 0;
    float m_alpha = 0;
};

class CGLtexMaterial : public CGLmaterial {
public:
    CGLtexMaterial() = default;
    ~CGLtexMaterial() = default;

    // Sets the material from the record; with loadTexture, finds and loads its texture
    // (shared through g_TextureList). True.
    bool Create(CGLmaterialData* record, bool loadTexture);
    bool HasTexture() const { return m_texture >= 0; }
    int GetTexture() const { return m_texture; }
    void BindTexture() const;
    void Unapply();

    // The picture file of a texture name: as named, then in "Map" beside the program,
    // then by the 8-character prefix rule in that "Map" folder (whose name then goes
    // to `renamed`). Empty when none exists.
    static std::string ResolveTexture(const std::string& name, std::string* renamed = nullptr);
    // Prefix search for a long name cut to 8.3 in the name's own folder; the record's
    // texture name becomes the file found. False when nothing is found.
    static bool SearchTexture(CGLmaterialData* record);
    // The loaded texture of a resolved picture path, -1 when none.
    static int FindTexture(const char* file);

private:
    int m_texture = -1;
};
