#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/gl/GLvbo.h"
#include "foundation/math/Vec3.h"

class CGLcamera;
class CGLfont;

// Quantised vertex used by the weld: position cell, unit normal and colour.
struct VertexKey {
    int32_t v[9];
};
struct VertexKeyHash {
    size_t operator()(const VertexKey& k) const;
};
struct VertexKeyEqual {
    bool operator()(const VertexKey& a, const VertexKey& b) const;
};

// The 3D track along one host's curve: bed, two rails and sleepers as welded,
// coloured triangles. Building fills the CPU arrays only; Upload() hands them to
// GL and must run on the thread that owns the context.
class CTrackMesh {
public:
    CTrackMesh();

    // Replaces the mesh by the track along the curve (width is 50 for every host)
    // and marks it for upload. Fewer than 2 points only set the number.
    void Build(const std::vector<CVec3>& curve, float width);
    // Creates the GL buffers from the arrays when a build is waiting for it.
    // Returns true when buffers were created.
    bool Upload();
    bool NeedsUpload() const { return m_UploadPending; }
    // Frees every array and forgets the buffer ids; number and box stay.
    void Clear();

    // Drawing with level of detail and the debug label (tracks/TrackMeshDraw.cpp).
    void Draw(CGLcamera* view);
    void DrawLabel(CGLcamera* view, CGLfont* font, int label, int hostCount);
    // Indices drawn of n at the given distance from the box centre.
    static int LodIndexCount(float distance, int n);
    static bool LabelVisible(float distance) { return distance < 100000.0f; }
    CVec3 BoxCentre() const { return (m_BoxMin + m_BoxMax) * 0.5f; }

    // Four vertices sharing one normal and colour, two triangles.
    void AddQuad(const CVec3& a, const CVec3& b, const CVec3& c, const CVec3& d, const CVec3& normal,
                 const CVec3& colour);

    int GetVertexCount() const { return int(m_Positions.size()); }
    int GetIndexCount() const { return int(m_Indices.size()); }
    // Bytes of the vertex and index arrays as the load statistics count them.
    size_t MemoryBytes() const;
    // Bytes every array holds (their capacity): what the mesh costs in memory.
    size_t HeldBytes() const;
    // What HeldBytes() will be after Build(curve, width), at most (about 6.6 KB a
    // dot of a hand-laid host); cheap beside building.
    static size_t EstimateHeldBytes(const std::vector<CVec3>& curve, float width);

    // Points 0, n, 2n, ... and the last point; kept in a per-thread scratch list.
    static const std::vector<CVec3>& EveryNthPoint(const std::vector<CVec3>& curve, int n);

    // Empties the arrays and gives their memory back.
    void FreeArrays();
    void BuildBed(const std::vector<CVec3>& curve, float w);
    void BuildRails(const std::vector<CVec3>& curve, float w);
    void BuildSleepers(const std::vector<CVec3>& curve, float w);
    void SlopedProfile(const std::vector<CVec3>& points, float topWidth, float height, float sideAngle,
                       float heightOffset);
    void BoxProfile(const std::vector<CVec3>& points, float width, float height, float heightOffset);
    // Lines 0..3 along the points lifted by heightOffset: the bottom corners
    // bottomHalf to either side, the top corners topHalf to either side and
    // `height` above.
    void Profile(const std::vector<CVec3>& points, float bottomHalf, float topHalf, float height, float heightOffset);
    void AddProfileFaces(const CVec3& colour0, const CVec3& colour1);
    void AddBoxes(const CVec3& sideColour, const CVec3& topColour);
    void Weld();
    // Keeps the first of the triangles made of the same three indices (any order).
    static void DropRepeatedTriangles(std::vector<uint32_t>& indices);

    // Arc-length positions of the sleepers along a curve of length L (track width w),
    // at most maxCount of them.
    static std::vector<double> SleeperPositions(double length, float w, int maxCount = kMaxSleepers);

    CGLvbo m_Vbo;
    std::vector<CVec3> m_Positions;
    std::vector<CVec3> m_Normals;
    std::vector<CVec3> m_Colors;
    std::vector<uint32_t> m_Indices;
    std::vector<CVec3> m_Lines[8];
    int m_PointCount = 0;
    int m_Number = 0;
    CVec3 m_BoxMin;
    CVec3 m_BoxMax;
    uint8_t m_Style[3] = {1, 1, 0};
    bool m_UploadPending = false;

    static constexpr float kTrackWidth = 50.0f;
    // Upper bounds of sleepers per host, absolute and per curve point (a track laid
    // by hand has about 0.1 per point); only absurd curve lengths reach them.
    static constexpr int kMaxSleepers = 50000;
    static constexpr size_t kMaxSleepersPerPoint = 8;
};
