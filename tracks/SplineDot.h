#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/math/Vec3.h"
#include "tracks/TrackMesh.h"

class CGLcamera;
class CGLfont;

// One piece of a track set: an open or closed polyline of control dots.
struct TrackHost {
    std::vector<CVec3> dots;
    uint8_t closed = 0;
    uint8_t dirty = 0; // dots changed since the mesh was built
    uint8_t oversized = 0; // mesh refused for its size; only an edit of the host clears it
    CTrackMesh mesh;
    std::vector<CVec3> curveCache; // curve drawn as a line in edit mode
};

class CSplineDotUtil;

// The memory the track meshes of a scene's sets may hold together. Sets are
// served in the order they joined (the edited set first, then the others in
// load order): a set that loads is weighed against those before it, an edit
// against all the others.
class CTrackMeshBudget {
public:
    explicit CTrackMeshBudget(size_t limit) : m_Limit(limit) {}

    size_t Limit() const { return m_Limit; }
    void Clear() { m_Sets.clear(); }
    void Join(const CSplineDotUtil* set) { m_Sets.push_back(set); }
    // Bytes the meshes of the sets that joined hold.
    size_t Held() const;

private:
    size_t m_Limit;
    std::vector<const CSplineDotUtil*> m_Sets;
};

// Track set state and the editing rules. (0, 0, 0) stands for no dot and -1 for
// no host; distances are compared squared.
class CSplineDotUtil {
public:
    CSplineDotUtil() = default;

    void ClearAll();
    int GetHostCount() const { return int(m_Hosts.size()); }
    void ClearLiveEdit();

    // Picking.
    CVec3 FindDotNear(const TrackHost& host, const CVec3& point, float radius) const;
    bool HoverPick(const CVec3& point);
    bool IsNearClosedEnd() const;
    bool PickOpenEnd();

    // Strokes and dragging.
    void BeginStroke();
    void SetDirection(CVec3 v, bool toStart, bool toLast);
    void UpdateBend();
    bool DragPickedDot();
    bool CanDragDot(const TrackHost& host, int dot, CVec3& cursor) const;
    bool SnapToDot();
    bool MoveLastDot();
    bool AttachStroke(std::vector<CVec3>& dots, const CVec3& point);
    void ExtendStroke();
    bool DeletePickedDot();
    bool RemovePickedHost();
    bool SmoothPickedHost();

    // Committing, merging and chaining.
    void CommitTrack();
    bool MergeIntoHost(std::vector<CVec3>& dots, const CVec3& point);
    void AddCornerDots(TrackHost& host);
    void ChainHosts();
    void SnapHosts();

    // Makes the host's curve (10 points per dot interval), builds its mesh with the
    // track width, clears dirty and the curve cache; returns the curve's point count.
    static int BuildHostMesh(TrackHost& host);
    // Builds the mesh of every dirty host (what an edit-mode frame does), within
    // the mesh budget.
    void BuildDirtyMeshes();

    // Memory the meshes may hold: of the budget the set shares (see
    // SetMeshBudget), else of the set alone. Hosts past it keep their dots but get
    // no mesh.
    static constexpr size_t kMeshBudgetBytes = size_t(256) << 20;
    // Shares the budget (which outlives the set) with the sets that joined it.
    void SetMeshBudget(const CTrackMeshBudget* budget) { m_Budget = budget; }
    // Bytes this set's meshes hold.
    size_t MeshBytesHeld() const;

    // True when the hosts changed through an edit since they were loaded.
    bool IsModified() const { return m_Modified; }

    std::vector<TrackHost> m_Hosts;
    std::string m_Name;
    std::vector<CVec3> m_LiveCurve;
    std::vector<CVec3> m_LiveDots;
    float m_BendAngle = 0.0f;
    int m_PickedHost = -1;
    CVec3 m_PickedDot;
    CVec3 m_Cursor;
    CVec3 m_AnchorDot;
    CVec3 m_StartDir;
    CVec3 m_LastDir;
    uint8_t m_Bent = 0;

    static constexpr float kPickRadius = 128.0f;  // picking, closing, joining
    static constexpr float kSpacingFar = 192.0f;  // dot spacing of a stroke
    static constexpr float kSpacingNear = 144.0f; // near its start or inner dots
    static constexpr float kNearStart = 768.0f;
    static constexpr float kNearInner = 384.0f;
    static constexpr float kMaxStroke = 15000.0f;
    static constexpr float kBendOn = 35.0f;
    static constexpr float kBendOff = 29.75f;
    static constexpr float kBackTrack = 48.0f;
    static constexpr float kBackTrackSide = 115.2f;
    static constexpr float kEndDragStart = 48.0f;
    static constexpr float kHostEndGap = 190.08f;
    static constexpr float kDragMinGap = 44.0f;
    static constexpr float kDragMaxOffset = 182.4f;
    static constexpr float kCornerSegment = 230.4f;
    static constexpr float kSnapMove = 128.0f;
    static constexpr float kSnapReach = 384.0f;

protected:
    // Re-chains; for hosts left out of the chain, records their new positions.
    void ChainHostsImpl(std::vector<size_t>* leftOver);

    // `held` below is what the budget's meshes hold; kHeldUnknown until a pass
    // first needs it.
    static constexpr size_t kHeldUnknown = SIZE_MAX;
    size_t BudgetLimit() const { return m_Budget ? m_Budget->Limit() : kMeshBudgetBytes; }
    size_t BudgetHeld() const { return m_Budget ? m_Budget->Held() : MeshBytesHeld(); }
    // Builds the host's mesh when its estimate fits in the budget beside `held`
    // (which then counts the new mesh); otherwise the host gets no mesh and its
    // size mark. Returns the curve's point count, or -1 when refused.
    int BuildWithinBudget(TrackHost& host, size_t& held) const;
    // Builds a dirty host's mesh within the budget (its old mesh leaves `held`
    // first), logging a refusal; a host marked for its size is left as it is.
    // Returns the curve's point count, or -1 when nothing was built.
    int BuildDirtyHost(TrackHost& host, size_t& held);

    const CTrackMeshBudget* m_Budget = nullptr;

    bool m_Modified = false;
};

// One named track set: editing entry points and the file "User//<name>//hostlist.bin".
class CSplineDot : public CSplineDotUtil {
public:
    CSplineDot() = default;

    // Reads the set's file; returns the number of hosts now held (0 when the file
    // cannot be opened, which keeps the hosts).
    int LoadTrack(const std::string& name);
    // Writes all hosts; false (and one log line) when nothing was written.
    bool SaveTrack();
    // Replaces the hosts by those in the bytes of a track set file, chains them and
    // builds their meshes. Returns false when the bytes hold a fault (the complete
    // hosts before it are kept). Fills the statistics line's figures.
    bool LoadFromBytes(const uint8_t* data, size_t size, int* hostsOut = nullptr);

    static std::string TrackFilePath(const std::string& name);

    void KeyDown(int code);
    void OnMouseDown(bool down);
    void OnMouseUp(bool down);
    void OnMouseMove(const CVec3& point, bool down);

    // Regenerates the live curve when the live dots changed since it was made
    // (2 or more dots); true when it did. The drawing logs the new size.
    bool UpdateLiveCurve();

    // Drawing (tracks/SplineDotDraw.cpp; render thread, GL context current).
    int Render(CGLcamera* view, CGLfont* font, bool editMode);
    // `held`: as for BuildDirtyHost, one value for the hosts of a frame.
    void RenderSplineLines(CGLcamera* view, TrackHost& host, size_t& held);
    void RenderEditCursor(CGLcamera* view, CGLfont* font, int liveDots, bool far, bool bent, bool hasDots,
                          const CVec3& marker);
    void RenderTrackEnd(CGLfont* font, int liveDots, bool far);
    void RenderHostDots(CGLcamera* view);
    void RenderLiveDots(CGLcamera* view, bool green);
    void RenderLiveTrack();
    // Colour of dot i of a host in edit mode: picked, bend or plain.
    static CVec3 DotColour(const TrackHost& host, size_t i, const CVec3& pickedDot);

    // True when the last load found a damaged file.
    bool LoadFailed() const { return m_LoadFailed; }

    int m_LiveCurveCount = 0;

    static constexpr int kKeyDelete = 0x2E;
    static constexpr int kKeyBack = 0x08;
    static constexpr int kKeyOptimize = 'O';

private:
    bool LoadHosts(const uint8_t* data, size_t size, uint64_t startMs, int* hostsOut);

    std::vector<CVec3> m_LiveCurveDots; // the live dots the live curve was made from
    bool m_LoadFailed = false;
};
