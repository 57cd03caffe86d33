#pragma once
#include <cstdint>
#include <vector>

#include "foundation/math/Vec3.h"

class CGLcamera;
class CGLmeshObj;
class CSplineDot;
struct TrackHost;

// A host's curve cut into segments: the curve (10 points per dot interval), the
// length and the unit direction of every segment ((1, 0, 0) for a segment of
// length 0.000001 or less). Shared by the follower and the track camera.
struct TrackSegments {
    std::vector<CVec3> curve;
    std::vector<float> lengths;
    std::vector<CVec3> directions;

    // Makes the host's curve and its segments.
    void Build(const TrackHost& host);
    // Fills lengths and directions from the curve already there.
    void Segment();
    void Clear();
    int Points() const { return int(curve.size()); }

    static constexpr float kTiny = 0.000001f;
};

// A rider's place on a track set: the host, that host's cached segments, the
// segment and the distance into it. Shared by the follower and the track camera.
struct TrackRide {
    int hostIndex = 0;
    int segmentIndex = 0;
    int cachedHost = -1;
    float distance = 0.0f;
    TrackSegments segments;

    // True when the current host's segments are not made yet.
    bool NeedsCache() const { return hostIndex != cachedHost || segments.curve.empty(); }
    // Makes the current host's segments and starts at its beginning.
    void Cache(const TrackHost& host);
    // On to the next host, from its start.
    void NextHost();
    // Back to the first host.
    void Restart();
    // Walks `along` units on from the current place, in steps of at most `maxStep`
    // and half a segment, passing over segments of length kTiny or less. Returns
    // the segment reached (Points() - 1 past the end) and sets `v` to the distance
    // into it.
    int Walk(float along, float maxStep, float& v) const;
};

// Moves a model along the hosts of a track set, host after host, at a speed tied
// to the model's frame time, facing along the track; keeps a chase camera at a
// bounded distance behind it. Render thread.
class CTrackFollower {
public:
    CTrackFollower() = default;

    // Moves the model; true when the set has no hosts or its last host has been
    // passed, after resetting to the first host. The name is the set's name.
    bool Advance(CGLmeshObj* model, const CSplineDot& set, const char* name);
    // The stepping of Advance on a position and rotation with a frame time in ms.
    bool Step(CVec3& position, CVec3& rotation, double frameMs, const CSplineDot& set);
    // Places the camera at the chase offset from the model; the user's own camera
    // movement since the last call adds to the offset, which stays within
    // 2500..10000.
    void ChaseCamera(CGLcamera* view, CGLmeshObj* model);
    void Chase(CGLcamera* view, const CVec3& modelPosition);

    // Rotation (0, pitch, yaw) in degrees facing along a unit direction.
    static CVec3 RotationFromDirection(const CVec3& d);

    // Distance per millisecond of frame time (the panel's train speed).
    void SetSpeedFactor(float factor) { m_SpeedFactor = factor; }
    float GetSpeedFactor() const { return m_SpeedFactor; }
    int GetHostIndex() const { return m_Ride.hostIndex; }
    int GetSegmentIndex() const { return m_Ride.segmentIndex; }
    int GetCachedHost() const { return m_Ride.cachedHost; }
    float GetDistance() const { return m_Ride.distance; }
    const CVec3& GetDirection() const { return m_Direction; }
    const TrackSegments& GetSegments() const { return m_Ride.segments; }
    const CVec3& GetChaseOffset() const { return m_ChaseOffset; }
    bool IsFirstFrame() const { return m_FirstFrame != 0; }

    static constexpr float kSpeed = 1.25f;       // units per millisecond
    static constexpr float kMaxStep = 10.0f;
    static constexpr float kChaseStart = 5000.0f;
    static constexpr float kChaseMin = 2500.0f;
    static constexpr float kChaseMax = 10000.0f;

private:
    TrackRide m_Ride;
    float m_SpeedFactor = kSpeed;
    CVec3 m_Direction{1.0f, 0.0f, 0.0f};
    CVec3 m_ChaseOffset;
    CVec3 m_LastCamera;
    uint8_t m_FirstFrame = 1;
};
