#pragma once
#include "engine/gl/GLvbo.h"
#include "foundation/math/Vec3.h"

#include <cstdint>
#include <string>
#include <vector>

class CGLcamera;
class CGLfont;

// Settings of the minimap as kept in "Radar//Radar.set".
struct CGLRadarSettings {
    int circular = 1;
    int locked = 0;
    int windowWidth = 128;   // cells
    int windowHeight = 128;  // cells
    float zoom = 4.0f;
    float scale = 1.2f;
    float screenX = 16.0f;
    float screenY = 40.0f;
    float viewWidth = 128.0f;
    float viewHeight = 128.0f;

    // Reads the fields in order from "%d,%d,%d,%d,%f,%f,%f,%f,%f,%f" text up to the
    // first mismatch; returns how many were read. Values are clamped to their ranges.
    int Parse(const char* text, size_t length);
    std::string Format() const;
    // Keeps every field inside its range (non-finite values take the default); the
    // screen position may lie up to the whole minimap left of or above the window.
    void Clamp();
};

// The terrain's minimap: a picture of the whole terrain drawn in a screen
// corner, circular (stencil-clipped) or square, with a camera marker, a zoom
// text and an outline while the cursor is over it.
class CGLRadar {
public:
    CGLRadar();
    ~CGLRadar();
    CGLRadar(const CGLRadar&) = delete;
    CGLRadar& operator=(const CGLRadar&) = delete;

    bool Create(int mapWidth, int mapHeight, int bitsPerPixel, const CVec3* colours, const CVec3* vertices,
                float cellSize);
    // Keeps the map size and the terrain arrays (the first step of Create).
    void Attach(int mapWidth, int mapHeight, int bitsPerPixel, const CVec3* colours, const CVec3* vertices,
                float cellSize);
    void DeleteTexture();
    void LoadSettings();
    void SaveSettings();
    bool Update(CGLcamera* camera);
    void Draw(CGLcamera* camera, CGLfont* font);
    void BuildOutline();
    void MapToWorld(CGLcamera* camera, int mx, int my);
    void DrawMap(CGLcamera* camera);
    void DrawCamera(CGLcamera* camera);
    void DrawOutline();

    // The picture of the terrain: one pixel per cell, bytes red, green, blue.
    static void BuildPicture(uint8_t* out, int width, int height, const CVec3* colours);
    // The world point under a cursor point over the minimap, for a camera at
    // `camera` with collision radius `radius`.
    CVec3 MapToWorldPoint(const CVec3& camera, float radius, int mx, int my) const;

    void SetLayout(bool locked, bool circular, float viewWidth, float viewHeight, float scale, float zoom,
                   float screenX, float screenY);
    void SetModes(bool locked, bool circular);
    // Wheel rules alone: zoom by 0.1 per step inside the map's limits (not when
    // locked); scale by 0.01 per step inside [1, 32] keeping the cursor's point.
    void ZoomStep(int wheel);
    void ScaleStep(int wheel, int mx, int my);
    bool HitTest(int mx, int my);
    void CentreOn(int mx, int my);
    void DrawClipped(CGLcamera* camera);
    void SetMouseOver(bool over) { m_mouseOver = over; }
    bool IsMouseOver() const { return m_mouseOver; }
    void SetRound(bool round);
    bool IsRound() const { return m_circular; }
    void SetLocked(bool locked) { m_locked = locked; }
    bool IsLocked() const { return m_locked; }

    // Zoom limits for the map and window sizes.
    float MinZoom() const;
    float MaxZoom() const;
    // The text under the minimap: "Zoom x %d:1 Sz %d".
    std::string ZoomText() const;

    CGLRadarSettings GetSettings() const;
    void SetSettings(const CGLRadarSettings& s);
    void SetSettingsPath(const std::string& path) { m_settingsPath = path; }
    void SetPicturePath(const std::string& path) { m_picturePath = path; }
    // True when the last Create built the picture from the terrain colours.
    bool PictureWasBuilt() const { return m_pictureBuilt; }

    float GetZoom() const { return m_zoom; }
    float GetScale() const { return m_scale; }
    float GetScreenX() const { return m_screenX; }
    float GetScreenY() const { return m_screenY; }
    float GetViewWidth() const { return m_viewWidth; }
    float GetViewHeight() const { return m_viewHeight; }
    int GetMapWidth() const { return m_mapWidth; }
    int GetMapHeight() const { return m_mapHeight; }
    unsigned GetTexture() const { return m_texture; }
    const std::vector<CVec3>& GetOutline() const { return m_outline; }

private:
    void Upload(const uint8_t* pixels, int width, int height);
    void StencilCircle();

    CGLvbo m_vbo;
    const CVec3* m_colours = nullptr;
    const CVec3* m_vertices = nullptr;
    bool m_mouseOver = false;
    bool m_circular = true;
    bool m_locked = false;
    int m_mapWidth = 0;
    int m_mapHeight = 0;
    int m_bitsPerPixel = 0;
    float m_cellSize = 100.0f;
    int m_windowWidth = 128;
    int m_windowHeight = 128;
    float m_scale = 1.2f;
    float m_zoom = 4.0f;
    float m_screenX = 16.0f;
    float m_screenY = 40.0f;
    float m_viewWidth = 128.0f;
    float m_viewHeight = 128.0f;
    unsigned m_texture = 0;
    std::vector<CVec3> m_outline;
    std::string m_settingsPath = "Radar//Radar.set";
    std::string m_picturePath = "Radar//Radar.bmp";
    bool m_pictureBuilt = false;
    // a settings file that was there but could not be read is not replaced at
    // exit unless the settings changed since
    bool m_settingsUnread = false;
    CGLRadarSettings m_settingsAtLoad;
};
