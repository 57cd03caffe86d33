#include "tracks/SplineCamFollow.h"

#include <algorithm>
#include <cmath>

#include "engine/gl/GLcamera.h"
#include "foundation/core/Versions.h"
#include "tracks/SplineDot.h"

namespace {

constexpr float kTiny = TrackSegments::kTiny;

// Unit vector of v, or the fallback when v is too short.
CVec3 UnitOr(const CVec3& v, const CVec3& fallback)
{
    const float len = v.Length();
    return len > kTiny ? v * (1.0f / len) : fallback;
}

} // namespace

CVec3 CSplineCamFollow::LookTarget(const std::vector<CVec3>& directions, int i, float o)
{
    const CVec3& d = directions[size_t(i)];
    CVec3 target = d;
    if (i >= 1 && directions[size_t(i) - 1] != 0.0f)
        target += directions[size_t(i) - 1] * ((1.0f - o) * 0.5f);
    if (size_t(i) + 1 < directions.size() && directions[size_t(i) + 1] != 0.0f)
        target += directions[size_t(i) + 1] * (o * 0.5f);
    return UnitOr(target, d);
}

float CSplineCamFollow::BlendWeight(float h)
{
    if (!(h > 0.0f))
        return 0.0f;
    if (h < 0.005f)
        return 12.0f * h;
    return 1.0f - std::exp(-12.0f * h);
}

bool CSplineCamFollow::GetNextTrackCam(CGLcamera* view, const CSplineDot& set, const char* name)
{
    const bool overPause = m_Pause == Pause::Measured;
    m_Pause = m_Pause == Pause::Ahead ? Pause::Measured : Pause::None;

    const int hostCount = set.GetHostCount();
    if (hostCount == 0 || m_Ride.hostIndex < 0 || m_Ride.hostIndex >= hostCount) {
        m_Ride.Restart();
        m_CameraDir = CVec3(1.0f, 0.0f, 0.0f);
        return true;
    }

    const TrackSegments& segments = m_Ride.segments;
    if (m_Ride.NeedsCache()) {
        m_Ride.Cache(set.m_Hosts[size_t(m_Ride.hostIndex)]);
        CVersions::Print(true, "CSplineCamFollow::GetNextTrackCam(%s) Generate new spline Sz=%d\r\n", name,
                         segments.Points());
        if (segments.Points() >= 2) {
            CVersions::Print(true, "CSplineCamFollow::GetNextTrackCam(%s) Cache Segments=%d\r\n", name,
                             int(segments.lengths.size()));
            m_CameraDir = segments.directions.front();
        }
    }

    const int m = segments.Points();
    if (m < 2) {
        CVersions::Print(true, "CSplineCamFollow::GetNextTrackCam(%s) Skip degenerate host %d/%d (sz=%d)\r\n", name,
                         m_Ride.hostIndex + 1, hostCount, m);
        m_Ride.NextHost();
        return false;
    }

    const double frameMs = view->GetModelView().GetFrameTime();
    const double ms = overPause || !(frameMs > 0.0) ? 0.0 : frameMs;
    float v = 0.0f;
    const int i = m_Ride.Walk(float(ms) * m_SpeedFactor, kMaxStep, v);
    if (i >= m - 1) {
        CVersions::Print(true, "CSplineCamFollow::GetNextTrackCam(%s) Advance host to %d/%d\r\n", name,
                         m_Ride.hostIndex + 1, hostCount);
        m_Ride.NextHost();
        return false;
    }

    const CVec3& d = segments.directions[size_t(i)];
    CVec3& position = *view->GetPosition();
    position = segments.curve[size_t(i)] + d * v + CVec3(0.0f, 0.0f, kHeight);

    const float w = segments.lengths[size_t(i)];
    const float o = w > kTiny ? v / w : 0.0f;
    const CVec3 target = LookTarget(segments.directions, i, o);
    const float k = BlendWeight(float(ms * 0.001));
    m_CameraDir = UnitOr(m_CameraDir * (1.0f - k) + target * k, target);
    CVec3::ToAngles(*view->GetRotation(), m_CameraDir, position);

    m_Ride.segmentIndex = i;
    m_Ride.distance = v;
    return false;
}
