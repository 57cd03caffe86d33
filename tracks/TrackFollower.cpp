#include "tracks/TrackFollower.h"

#include <algorithm>
#include <cmath>

#include "engine/gl/GLcamera.h"
#include "engine/models/GLmeshObj.h"
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

void TrackRide::Cache(const TrackHost& host)
{
    segments.Build(host);
    segmentIndex = 0;
    distance = 0.0f;
    cachedHost = hostIndex;
}

void TrackRide::NextHost()
{
    ++hostIndex;
    segmentIndex = 0;
    cachedHost = -1;
    segments.Clear();
    distance = 0.0f;
}

void TrackRide::Restart()
{
    hostIndex = -1;
    NextHost();
}

int TrackRide::Walk(float along, float maxStep, float& v) const
{
    const int m = segments.Points();
    constexpr float kTiny = TrackSegments::kTiny;
    v = distance;
    int i = segmentIndex;
    while (along > kTiny && i < m - 1) {
        const float w = segments.lengths[size_t(i)];
        if (w > kTiny) {
            const float step = std::min({w - v, along, maxStep, w * 0.5f});
            v += step;
            along -= step;
            if (v < w - kTiny)
                continue;
        }
        v = 0.0f;
        ++i;
    }
    return i;
}

CVec3 CTrackFollower::RotationFromDirection(const CVec3& d)
{
    const double pitch = -std::atan2(double(d.z), std::sqrt(double(d.x) * d.x + double(d.y) * d.y)) * kRadToDeg;
    const double yaw = std::atan2(double(d.y), double(d.x)) * kRadToDeg;
    return CVec3(0.0f, float(pitch), float(yaw));
}

bool CTrackFollower::Advance(CGLmeshObj* model, const CSplineDot& set, const char* name)
{
    (void)name;
    return Step(*model->GetPosition(), *model->GetRotation(), model->GetTransform().GetFrameTime(), set);
}

bool CTrackFollower::Step(CVec3& position, CVec3& rotation, double frameMs, const CSplineDot& set)
{
    const int hostCount = set.GetHostCount();
    if (hostCount == 0 || m_Ride.hostIndex < 0 || m_Ride.hostIndex >= hostCount) {
        m_Ride.Restart();
        m_Direction = CVec3(1.0f, 0.0f, 0.0f);
        return true;
    }
    if (m_Ride.NeedsCache()) {
        m_Ride.Cache(set.m_Hosts[size_t(m_Ride.hostIndex)]);
        const auto& directions = m_Ride.segments.directions;
        m_Direction = directions.empty() ? CVec3(1.0f, 0.0f, 0.0f) : directions.front();
    }

    const int m = m_Ride.segments.Points();
    if (m < 2) {
        m_Ride.NextHost(); // a degenerate host is skipped
        return false;
    }

    float b = 0.0f;
    const int i = m_Ride.Walk(float(frameMs) * m_SpeedFactor, kMaxStep, b);
    if (i < m - 1) {
        m_Direction = m_Ride.segments.directions[size_t(i)];
        position = m_Ride.segments.curve[size_t(i)] + m_Direction * b;
        rotation = RotationFromDirection(m_Direction);
        m_Ride.segmentIndex = i;
        m_Ride.distance = b;
        return false;
    }
    m_Ride.NextHost(); // the end of this host's curve; the model keeps its place this frame
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
