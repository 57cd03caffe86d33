#include "tracks/TrackFollower.h"

#include <algorithm>
#include <cmath>

#include "engine/GLcamera.h"
#include "engine/GLmeshObj.h"
#include "foundation/math/Spline.h"
#include "tracks/SplineDot.h"

void TrackSegments::Build(const TrackHost& host)
{
    Spline::Generate(curve, host.dots, 10, host.closed != 0);
    Segment();
}

void TrackSegments::Segment()
{
    lengths.clear();
    directions.clear();
    if (curve.size() < 2)
        return;
    lengths.reserve(curve.size() - 1);
    directions.reserve(curve.size() - 1);
    for (size_t i = 0; i + 1 < curve.size(); ++i) {
        const CVec3 d = curve[i + 1] - curve[i];
        const float len = d.Length();
        lengths.push_back(len);
        directions.push_back(len > kTiny ? d * (1.0f / len) : CVec3(1.0f, 0.0f, 0.0f));
    }
}

void TrackSegments::Clear()
{
    std::vector<CVec3>().swap(curve);
    std::vector<float>().swap(lengths);
    std::vector<CVec3>().swap(directions);
}

CVec3 CTrackFollower::RotationFromDirection(const CVec3& d)
{
    const double pitch = -std::atan2(double(d.z), std::sqrt(double(d.x) * d.x + double(d.y) * d.y)) * kRadToDeg;
    const double yaw = std::atan2(double(d.y), double(d.x)) * kRadToDeg;
    return CVec3(0.0f, float(pitch), float(yaw));
}

void CTrackFollower::Cache(const TrackHost& host)
{
    m_Segments.Build(host);
    m_Direction = m_Segments.directions.empty() ? CVec3(1.0f, 0.0f, 0.0f) : m_Segments.directions.front();
    m_SegmentIndex = 0;
    m_Distance = 0.0f;
    m_CachedHost = m_HostIndex;
}

void CTrackFollower::NextHost()
{
    ++m_HostIndex;
    m_SegmentIndex = 0;
    m_CachedHost = -1;
    m_Segments.Clear();
    m_Distance = 0.0f;
}

bool CTrackFollower::Advance(CGLmeshObj* model, const CSplineDot& set, const char* name)
{
    (void)name;
    return Step(*model->GetPosition(), *model->GetRotation(), model->GetTransform().GetFrameTime(), set);
}

bool CTrackFollower::Step(CVec3& position, CVec3& rotation, double frameMs, const CSplineDot& set)
{
    const int hostCount = set.GetHostCount();
    if (hostCount == 0 || m_HostIndex < 0 || m_HostIndex >= hostCount) {
        m_HostIndex = 0;
        m_SegmentIndex = 0;
        m_CachedHost = -1;
        m_Segments.Clear();
        m_Distance = 0.0f;
        m_Direction = CVec3(1.0f, 0.0f, 0.0f);
        return true;
    }
    if (m_HostIndex != m_CachedHost || m_Segments.curve.empty())
        Cache(set.m_Hosts[size_t(m_HostIndex)]);

    const int m = m_Segments.Points();
    if (m < 2) {
        NextHost(); // a degenerate host is skipped
        return false;
    }

    float a = float(frameMs) * m_SpeedFactor;
    float b = m_Distance;
    int i = m_SegmentIndex;
    while (a > TrackSegments::kTiny && i < m - 1) {
        const float c = m_Segments.lengths[size_t(i)];
        if (c > TrackSegments::kTiny) {
            const float step = std::min({c - b, a, kMaxStep, c * 0.5f});
            b += step;
            a -= step;
            if (b < c - TrackSegments::kTiny)
                continue;
        }
        b = 0.0f;
        ++i;
    }

    if (i < m - 1) {
        m_Direction = m_Segments.directions[size_t(i)];
        position = m_Segments.curve[size_t(i)] + m_Direction * b;
        rotation = RotationFromDirection(m_Direction);
        m_SegmentIndex = i;
        m_Distance = b;
        return false;
    }
    NextHost(); // the end of this host's curve; the model keeps its place this frame
    return false;
}

void CTrackFollower::ChaseCamera(CGLcamera* view, CGLmeshObj* model) { Chase(view, *model->GetPosition()); }

void CTrackFollower::Chase(CGLcamera* view, const CVec3& modelPosition)
{
    CVec3& camera = *view->GetPosition();
    if (m_FirstFrame) {
        CVec3 offset = camera - modelPosition;
        const float len = offset.Length();
        offset = len > 0.1f ? offset * (kChaseStart / len) : CVec3(0.0f, 0.0f, -kChaseStart);
        camera = modelPosition + offset;
        m_ChaseOffset = offset;
        m_LastCamera = camera;
        CVec3 look = offset * (-1.0f / offset.Length());
        CVec3::ToAngles(*view->GetRotation(), look, camera);
        m_FirstFrame = 0;
    }

    CVec3 offset = m_ChaseOffset + (camera - m_LastCamera);
    const float len = offset.Length();
    if (!std::isfinite(len) || len <= TrackSegments::kTiny)
        offset = m_ChaseOffset; // no direction to scale: keep the last offset
    else if (len > kChaseMax)
        offset *= kChaseMax / len;
    else if (len < kChaseMin)
        offset *= kChaseMin / len;
    m_ChaseOffset = offset;
    camera = modelPosition + offset;
    m_LastCamera = camera;
}
