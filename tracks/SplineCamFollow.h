#pragma once
#include <vector>

#include "foundation/math/Vec3.h"
#include "tracks/TrackFollower.h"

class CGLcamera;
class CSplineDot;

// Rides a view along the hosts of a track set, 150 units above the curve, looking
// along the track with a smoothed direction that leans toward the neighbouring
// segments. Render thread.
class CSplineCamFollow {
public:
    CSplineCamFollow() = default;

    // Moves and turns the view by its frame time; true when the set has no hosts
    // or its last host has been passed, after resetting to the first host.
    bool GetNextTrackCam(CGLcamera* view, const CSplineDot& set, const char* name);

    // Look target on segment i at the fraction o of its length: its direction
    // with the previous one weighted (1 - o) / 2 and the next one o / 2, as a
    // unit vector.
    static CVec3 LookTarget(const std::vector<CVec3>& directions, int i, float o);
    // Share of the way the look direction turns toward the target in a frame of
    // the given seconds.
    static float BlendWeight(float seconds);
    // The view became current again. The scene has the view measure its frame time
    // right after each ride, so the first ride still goes by the last time measured
    // before the pause, and the time the view measures then (spanning the pause) is
    // not travelled by the next. Later frames use their real time, however long.
    void Resume() { m_Pause = Pause::Ahead; }

    // Distance per millisecond of frame time (the panel's train speed).
    void SetSpeedFactor(float factor) { m_SpeedFactor = factor; }
    float GetSpeedFactor() const { return m_SpeedFactor; }
    int GetHostIndex() const { return m_Ride.hostIndex; }
    int GetSegmentIndex() const { return m_Ride.segmentIndex; }
    int GetCachedHost() const { return m_Ride.cachedHost; }
    float GetDistance() const { return m_Ride.distance; }
    const CVec3& GetCameraDirection() const { return m_CameraDir; }
    const TrackSegments& GetSegments() const { return m_Ride.segments; }

    static constexpr float kSpeed = 2.5f; // units per millisecond
    static constexpr float kMaxStep = 10.0f;
    static constexpr float kHeight = 150.0f;

private:
    TrackRide m_Ride;
    float m_SpeedFactor = kSpeed;
    CVec3 m_CameraDir{1.0f, 0.0f, 0.0f};
    enum class Pause { None, Ahead, Measured };
    Pause m_Pause = Pause::None;
};
