#include "tracks/SplineCamFollow.h"

#include <algorithm>
#include <cmath>

#include "engine/GLcamera.h"
#include "foundation/core/Versions.h"
#include "foundation/math/Spline.h"
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

double CSplineCamFollow::UsableFrameMs(double frameMs)
{
    if (!(frameMs > 0.0))
        return 0.0;
    return std::min(frameMs, kMaxFrameMs);
}

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

void CSplineCamFollow::Reset()
{
    m_HostIndex = 0;
    m_SegmentIndex = 0;
    m_CachedHost = -1;
    m_Segments.Clear();
    m_Distance = 0.0f;
    m_CameraDir = CVec3(1.0f, 0.0f, 0.0f);
}

void CSplineCamFollow::NextHost()
{
    ++m_HostIndex;
    m_SegmentIndex = 0;
    m_CachedHost = -1;
    m_Segments.Clear();
    m_Distance = 0.0f;
}

bool CSplineCamFollow::GetNextTrackCam(CGLcamera* view, const CSplineDot& set, const char* name)
{
    const int hostCount = set.GetHostCount();
    if (hostCount == 0 || m_HostIndex < 0 || m_HostIndex >= hostCount) {
        Reset();
        return true;
    }

    if (m_HostIndex != m_CachedHost || m_Segments.curve.empty()) {
        const TrackHost& host = set.m_Hosts[size_t(m_HostIndex)];
        Spline::Generate(m_Segments.curve, host.dots, 10, host.closed != 0);
        CVersions::Print(true, "CSplineCamFollow::GetNextTrackCam(%s) Generate new spline Sz=%d\r\n", name,
                         m_Segments.Points());
        m_Segments.Segment();
        if (m_Segments.Points() >= 2)
            CVersions::Print(true, "CSplineCamFollow::GetNextTrackCam(%s) Cache Segments=%d\r\n", name,
                             int(m_Segments.lengths.size()));
        m_SegmentIndex = 0;
        m_CachedHost = m_HostIndex;
        m_Distance = 0.0f;
        if (m_Segments.Points() >= 2)
            m_CameraDir = m_Segments.directions.front();
    }

    const int m = m_Segments.Points();
    if (m < 2) {
        CVersions::Print(true, "CSplineCamFollow::GetNextTrackCam(%s) Skip degenerate host %d/%d (sz=%d)\r\n", name,
                         m_HostIndex + 1, hostCount, m);
        NextHost();
        return false;
    }

    const double ms = UsableFrameMs(view->GetModelView().GetFrameTime());
    float u = float(ms) * m_SpeedFactor;
    float v = m_Distance;
    int i = m_SegmentIndex;
    while (i < m - 1 && u > kTiny) {
        const float w = m_Segments.lengths[size_t(i)];
        if (w > kTiny) {
            const float step = std::min({u, kMaxStep, w - v, w * 0.5f});
            v += step;
            u -= step;
            if (v < w - kTiny)
                continue;
        }
        v = 0.0f;
        ++i;
    }

    if (i >= m - 1) {
        CVersions::Print(true, "CSplineCamFollow::GetNextTrackCam(%s) Advance host to %d/%d\r\n", name,
                         m_HostIndex + 1, hostCount);
        NextHost();
        return false;
    }

    const CVec3& d = m_Segments.directions[size_t(i)];
    CVec3& position = *view->GetPosition();
    position = m_Segments.curve[size_t(i)] + d * v + CVec3(0.0f, 0.0f, kHeight);

    const float w = m_Segments.lengths[size_t(i)];
    const float o = w > kTiny ? v / w : 0.0f;
    const CVec3 target = LookTarget(m_Segments.directions, i, o);
    const float k = BlendWeight(float(ms * 0.001));
    m_CameraDir = UnitOr(m_CameraDir * (1.0f - k) + target * k, target);
    CVec3::ToAngles(*view->GetRotation(), m_CameraDir, position);

    m_SegmentIndex = i;
    m_Distance = v;
    return false;
}
