#pragma once
#include "engine/gl/GLvbo.h"
#include "foundation/core/LargeBlock.h"
#include "foundation/math/Vec3.h"

#include <cstdint>
#include <vector>

class CGLterrain;
class CGLShader;
class CGLview;
class CGLcamera;

// One square piece of the terrain grid with six index lists of falling detail.
struct CGLchunkRecord {
    int first[6];  // first index of each level in the chunk index list
    int count[6];  // index count of each level
    CVec3 centre;  // middle of the box
    int row, col, rows, cols;
    float minX, minY;
    float maxX, maxY;
    float maxZ, minZ;
};
static_assert(sizeof(CGLchunkRecord) == 100, "chunk records are 100 bytes");

// The terrain drawn in chunks of 258 cells, culled against the view and drawn
// at the level of detail their distance selects, with the terrain shader.
class CGLchunk {
public:
    static constexpr int kChunkSize = 258;
    static constexpr int kLevels = 6;

    CGLchunk();
    ~CGLchunk();
    CGLchunk(const CGLchunk&) = delete;
    CGLchunk& operator=(const CGLchunk&) = delete;

    bool Create(int width, int height, float cellSize, bool texture, bool colours, CGLterrain* terrain,
                CVec3* vertices, CVec3* normals, float* texCoords, CVec3* colourArray, uint32_t* indices,
                CGLShader* shader);
    void Render(CGLcamera* view, unsigned texture, bool textureMode, int* drawn);
    bool LoadTextures();
    // Anisotropic filtering of the ground textures: half the driver's maximum, at
    // least 1; 1 on a software rasteriser.
    static float GroundAnisotropy(float maxAnisotropy, const char* renderer);
    void RenderFixed(CGLcamera* view, unsigned texture, bool textureMode, int* drawn);
    void RenderArrays(CGLcamera* view, unsigned texture, bool textureMode, int* drawn);
    void Clear();
    void DrawDebug(const CGLchunkRecord& record, float distance, int level);

    // The geometry part of Create (no GL): records, index lists and level distances.
    void BuildRecords(int width, int height, float cellSize, const CVec3* vertices);
    // Level of detail for a distance from the camera: the first level whose
    // distance is not exceeded, else the coarsest.
    int LevelForDistance(float distance) const;

    const std::vector<CGLchunkRecord>& GetRecords() const { return m_chunks; }
    using IndexList = std::vector<uint32_t, LargeAllocator<uint32_t>>;
    const IndexList& GetIndexList() const { return m_indices; }
    const int* GetLevelDistances() const { return m_levelDistance; }
    int GetSceneSize() const { return m_sceneSize; }
    float GetMinHeight() const { return m_minHeight; }
    float GetMaxHeight() const { return m_maxHeight; }
    const unsigned* GetGroundTextures() const { return m_groundTextures; }
    const CGLvbo& GetBuffers() const { return m_vbo; }

private:
    void ResetBuffers();
    void SelectAndDraw(CGLcamera* view, bool shader, bool textureMode, bool clientArrays, int* drawn);

    std::vector<CGLchunkRecord> m_chunks;
    IndexList m_indices;
    CGLvbo m_vbo;
    CVec3* m_vertices = nullptr;
    CVec3* m_normals = nullptr;
    float* m_texCoords = nullptr;
    CVec3* m_colours = nullptr;
    uint32_t* m_terrainIndices = nullptr;
    CGLterrain* m_terrain = nullptr;
    CGLShader* m_shader = nullptr;
    float m_cellSize = 100.0f;
    float m_minHeight = 0.0f;
    float m_maxHeight = 0.0f;
    int m_chunkSize = kChunkSize;
    int m_sceneSize = 0;
    int m_levelDistance[kLevels] = {};
    int m_width = 0;
    int m_height = 0;
    unsigned m_groundTextures[4] = {};
};
