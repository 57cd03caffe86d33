#pragma once
#include "engine/terrain/GLRadar.h"
#include "engine/gl/GLShader.h"
#include "engine/terrain/GLchunk.h"
#include "engine/terrain/GLcloud.h"
#include "engine/terrain/DepthFrame.h"
#include "engine/gl/GLfont.h"
#include "engine/gl/GLtransform.h"
#include "engine/gl/GLvbo.h"
#include "foundation/image/Dib.h"
#include "foundation/math/Vec3.h"

#include <cstdint>
#include <string>

class CGLcamera;

// The height-field ground: a regular grid of vertices centred on the origin,
// generated from noise, smoothed, coloured and lit, kept in seven cache files
// and drawn through its chunks.
class CGLterrain {
public:
    CGLterrain();
    ~CGLterrain();
    CGLterrain(const CGLterrain&) = delete;
    CGLterrain& operator=(const CGLterrain&) = delete;

    // The noise terrain: builds or loads the grid, then the radar, shader and chunks.
    bool Create(int width, int height);
    // The data part of Create (no GL): sizes, arrays, cache or generation.
    bool Build(int width, int height);
    void Free();
    void Render(CGLcamera* view, int* counter);

    int FollowGround(CGLcamera* camera, int* collisions);
    CVec3& GroundPush(CVec3& out, const CVec3& position, float radius) const;
    float GetHeightAt(const CVec3& point) const;

    // Steps of creation.
    bool AllocArrays();
    bool LoadFiles();
    bool SaveFiles();
    // Writes the cache's manifest for the files as they lie in the cache folder
    // (their sizes and checksums) and this terrain's grid, so that only the checks
    // after the checksums can refuse them (tests and the fuzz target).
    bool SealCacheFiles() const;
    void BuildGrid();
    void GenerateHeights();
    void ComputeTexCoords();
    void ComputeColors(const CVec3* vertices);
    void ComputeNormals(bool smooth);
    void ComputeFaceNormals();

    // Terrain from pictures and depth frames (no world grid, cell size 1).
    // From an image source's picture, textured with another source's picture.
    bool Create(CImageSource* source, CImageSource* textureSource);
    bool CreateFromPicture(const std::string& path, int width, int height, int bits);
    // Heights from a picture or a "DEEP1965" depth frame of length bytes.
    bool UpdateFromImage(const uint8_t* pixels, size_t length, int width, int height, int bits);
    // The data parts of the two above (no GL); recreated tells that the arrays were made anew.
    bool PreparePicture(const std::string& path, int width, int height, int bits);
    bool ApplyImage(const uint8_t* pixels, size_t length, int width, int height, int bits, bool& recreated);
    // Heights from a picture of the terrain's size and depth, length bytes long
    // (false when shorter); the pixels are only read.
    bool HeightsFromImage(const uint8_t* pixels, size_t length);
    void HeightsFromDepth(const DepthFrame& frame);
    void ComputeGreyColors(const CVec3* vertices);
    // The texture from pixels of the given size and bit count (8, 24 or 32).
    bool UploadTexture(const uint8_t* pixels, int width, int height, int bits);
    void RenderArrays();
    void DrawNormals();
    // Saves the frame-buffer block at the lower left of rect's size (24 bits).
    static bool SaveScreenRect(const std::string& name, const ImageRect& rect);
    CDib& GetImage() { return m_image; }
    void SetSmoothPasses(int passes) { m_smoothPasses = passes; }
    int GetExtraRows() const { return m_extraRows; }
    bool IsPictureFromFile() const { return m_pictureFromFile; }
    float GetPictureHeightScale() const { return m_pictureHeightScale; }
    unsigned GetTexture() const { return m_texture; }

    // Folder of the cache files, relative to the working folder ("Terrain").
    void SetCacheFolder(const std::string& folder) { m_cacheFolder = folder; }
    const std::string& GetCacheFolder() const { return m_cacheFolder; }
    // Sizes and settings of the noise terrain for the steps above (Build starts with it).
    void SetGrid(int width, int height);

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int64_t GetVertexCount() const { return m_count; }
    int64_t GetIndexCount() const { return m_indexCount; }
    // Indices the grid fills: 6 per cell.
    int64_t GetGridIndexCount() const;
    float GetCellSize() const { return m_cellSize; }
    float GetMaxHeight() const { return m_maxHeight; }
    float GetMinHeight() const { return m_minHeight; }
    float GetHeightScale() const { return m_heightScale; }
    bool IsWorldGrid() const { return m_worldGrid; }
    bool IsTextureMode() const { return m_textureMode; }
    // True when the last Build read the cache rather than generating.
    bool WasLoaded() const { return m_loaded; }

    CVec3* GetColors() { return m_colors; }
    CVec3* GetNormals() { return m_normals; }
    CVec3* GetFaceNormals() { return m_faceNormals; }
    CVec3* GetVertices() { return m_vertices; }
    const CVec3* GetVertices() const { return m_vertices; }
    float* GetTexCoords() { return m_texCoords; }
    uint32_t* GetIndices() { return m_indices; }

    CGLRadar& GetRadar() { return m_radar; }
    CGLShader& GetShader() { return m_shader; }
    CGLchunk& GetChunks() { return m_chunks; }
    CGLcloud& GetCloud() { return m_cloud; }

    CGLfont& GetFont() { return m_font; }
    CGLtransform& GetTransform() { return m_transform; }

private:
    CGLfont m_font;
    CGLtransform m_transform;
    float m_maxHeight = 0.0f;
    float m_minHeight = 0.0f;
    float m_cellSize = 100.0f;
    CDib m_image;

    CVec3* m_colors = nullptr;
    CVec3* m_normals = nullptr;
    CVec3* m_faceNormals = nullptr;
    CVec3* m_vertices = nullptr;
    float* m_texCoords = nullptr;
    uint32_t* m_indices = nullptr;

    int64_t m_count = 0;
    int m_width = 0;
    int m_height = 0;
    int m_bitsPerPixel = 0;

    CGLvbo m_vbo;
    CGLShader m_shader;
    CGLRadar m_radar;

    float m_heightScale = 1.0f;
    float m_pictureHeightScale = 0.0f;
    int m_smoothPasses = 12;
    int64_t m_indexCount = 0;
    bool m_textureMode = true;
    bool m_pictureFromFile = false;
    int m_extraRows = 0;  // 2 x d of the last depth frame; the image holds H + 2 x this rows
    DepthFrame m_depthFrame;
    bool m_worldGrid = false;
    bool m_loaded = false;
    unsigned m_texture = 0;

    CGLcloud m_cloud;
    CGLchunk m_chunks;
    std::string m_cacheFolder = "Terrain";
};
