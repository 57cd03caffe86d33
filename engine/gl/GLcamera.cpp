#include "engine/gl/GLcamera.h"
#include "engine/gl/GLcontext.h"
#include "platform/Paths.h"

#include "foundation/core/InputState.h"
#include "foundation/core/Versions.h"
#include "foundation/math/Tables.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {
constexpr size_t kMaxPoseFileSize = 4096;
}

CGLcamera::CGLcamera() = default;

void CGLcamera::Setup(int index, float radius, const CVec3& position, const CVec3& rotation)
{
    m_index = index;
    m_radius = radius;
    m_position = position;
    m_rotation = rotation;
    m_collisions = 10;
}

void CGLcamera::SetBounds(const CVec3& max, const CVec3& min)
{
    m_max = max;
    m_min = min;
}

void CGLcamera::AddPush(const CVec3& push)
{
    m_push += push;
    ++m_collisions;
}

void CGLcamera::MeasureSpeed()
{
    const double ms = m_modelView.GetFrameTime();
    // A zero frame time (two updates within one clock step) would make the
    // smoothed speed NaN for good.
    if (!(ms > 0.0))
        return;
    m_rawSpeed = float(double(m_position.Distance(m_prevPosition)) * 1000.0 / ms);
    m_speed = 0.75f * m_speed + 0.25f * m_rawSpeed;
    m_prevPosition = m_position;
}

void CGLcamera::BuildViewMatrix(bool loadToGL)
{
    m_modelView.RotateTranslate(-m_rotation, -m_position);
    if (loadToGL && GLContextIsCurrent())
        m_modelView.LoadToGL();
}

void CGLcamera::Update()
{
    m_modelView.UpdateFrameTime();
    MeasureSpeed();
    BuildViewMatrix(true);
}

void CGLcamera::UpdateFromInput(bool noInertia)
{
    m_modelView.UpdateFrameTime();
    m_rawSpeed = 0.0f;
    MeasureSpeed();
    int mouse[2] = {0, 0};
    g_InputState.GetMouseDelta(mouse[0], mouse[1]);
    float sideways = float(g_InputState.GetStrafe());
    float forward = float(g_InputState.GetForward());
    if (!g_InputState.IsOverlayHit())
        forward += float(g_InputState.GetWheel() * 100);
    if (!noInertia)
        Accelerate(sideways, forward);
    Move(mouse, sideways, forward);
    BuildViewMatrix(true);
    if (m_rawSpeed > 3000.0f)
        m_ramp *= 0.99;
}

void CGLcamera::Accelerate(float& sideways, float& forward)
{
    double ms = m_modelView.GetFrameTime();
    ms = std::clamp(ms, 0.001, 16.67);
    if (!(ms == ms))
        ms = 0.001;
    m_modelView.SetFrameTime(ms);
    const float fms = float(ms);

    auto axis = [fms](float& value, float& hold, float& state) {
        hold = value != 0.0f ? hold + fms : 0.0f;
        if (value != 0.0f) {
            state = std::min(hold * 0.001f, 1.0f) * value;
            value = state;
        } else if (state != 0.0f) {
            state = state * float(std::pow(0.99, double(fms)));
            if (std::fabs(state) < 0.1f)
                state = 0.0f;
            value = state;
        }
    };
    axis(forward, m_forwardHold, m_forwardValue);
    axis(sideways, m_sidewaysHold, m_sidewaysValue);
}

void CGLcamera::Move(const int mouseDelta[2], float sideways, float forward)
{
    const float ms = float(m_modelView.GetFrameTime());
    const float f = ms / 15.0f;
    m_rotation.z -= float(mouseDelta[0]) * f * 0.3f;
    m_rotation.x -= float(mouseDelta[1]) * f * 0.3f;
    if (!(m_rotation.x >= 0.0f))
        m_rotation.x = 0.0f;
    else if (m_rotation.x > 180.0f)
        m_rotation.x = 180.0f;

    const float heading = m_rotation.z;
    const CVec3 dir(CosDeg(heading + 90.0f), SinDeg(heading + 90.0f), -SinDeg(m_rotation.x + 90.0f));

    float g = 1.0f;
    if (m_accelerate) {
        if (sideways == 0.0f && forward == 0.0f) {
            if (m_ramp > 0.0)
                m_ramp *= 0.001;
        } else if (m_collisions == 0) {
            m_ramp += ms;
        }
        const double t = m_ramp / 1000.0;
        g = float(std::pow(t, std::min(t, 1.0)));
    }
    const float F = std::min(60.0f * ms, 5.0f);

    const float s = F * g * 0.2f * forward * ms;
    m_step = dir * s;
    m_position += m_step;

    const float side = ms * 0.2f * F * g * sideways;
    m_position.x += CosDeg(heading) * side;
    m_position.y += SinDeg(heading) * side;

    if (m_push.x != 0.0f || m_push.y != 0.0f || m_push.z != 0.0f)
        m_position += m_push;
    if (m_collisions > 0)
        m_collisions = int(m_collisions * 0.5);
    m_push = CVec3();

    float* p[3] = {&m_position.x, &m_position.y, &m_position.z};
    const float hi[3] = {m_max.x, m_max.y, m_max.z};
    const float lo[3] = {m_min.x, m_min.y, m_min.z};
    for (int i = 0; i < 3; ++i) {
        if (*p[i] > hi[i])
            *p[i] = hi[i];
        else if (!(*p[i] >= lo[i]))
            *p[i] = lo[i];
    }
}

int CGLcamera::Collide(const CVec3& objectPosition, const float*, const int* faceIndices, const CVec3* vertices,
                       const CVec3* faceNormals, int faceCount)
{
    if (!faceIndices || !vertices || !faceNormals)
        return m_collisions;
    const CVec3 rel = m_position - objectPosition;
    for (int i = 0; i < faceCount; ++i) {
        const CVec3& n = faceNormals[i];
        const CVec3& a = vertices[faceIndices[3 * i]];
        const float dist = n.Dot(rel) - n.Dot(a);
        if (!(std::fabs(dist) < m_radius))
            continue;
        const CVec3 foot = rel - n * dist;
        const CTriangle tri(a, vertices[faceIndices[3 * i + 1]], vertices[faceIndices[3 * i + 2]]);
        if (CTriangle::AngleSum(tri, foot) >= kInsideAngleSum) {
            m_push += n * (dist > 0.0f ? m_radius - dist : -(m_radius + dist));
            ++m_collisions;
            break;
        }
    }
    return m_collisions;
}

std::string CGLcamera::PoseFileName(int index)
{
    char name[64];
    std::snprintf(name, sizeof(name), "Camera//Cam%d.pos", index);
    return name;
}

std::string CGLcamera::FormatPose(const CVec3& position, const CVec3& rotation)
{
    // "%f" in the C locale, whatever the process locale is.
    std::string text;
    const float values[6] = {position.x, position.y, position.z, rotation.x, rotation.y, rotation.z};
    for (int i = 0; i < 6; ++i) {
        char buf[400];
        const auto res = std::to_chars(buf, buf + sizeof(buf), double(values[i]), std::chars_format::fixed, 6);
        if (i)
            text.push_back(',');
        text.append(buf, res.ptr);
    }
    return text;
}

bool CGLcamera::ParsePose(const std::string& text, CVec3& position, CVec3& rotation)
{
    float values[6];
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 0; i < 6; ++i) {
        if (i) {
            if (p == end || *p != ',')
                return false;
            ++p;
        }
        while (p != end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
            ++p;
        if (p != end && *p == '+')
            ++p;
        const auto res = std::from_chars(p, end, values[i]);
        if (res.ec != std::errc() || !std::isfinite(values[i]))
            return false;
        p = res.ptr;
    }
    // only blanks may follow the sixth value: anything else (a seventh field,
    // decimal commas, garbage) means the file is not a pose
    while (p != end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
        ++p;
    if (p != end)
        return false;
    position = CVec3(values[0], values[1], values[2]);
    rotation = CVec3(values[3], values[4], values[5]);
    return true;
}

bool CGLcamera::SavePose(int index)
{
    const std::string path = platform::ResolvePath(PoseFileName(index));
    const std::string text = FormatPose(m_position, m_rotation);
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        platform::CreateDirectories(path.substr(0, slash));
    if (!platform::WriteFileAtomic(path, text.data(), text.size()))
        return CVersions::Print(false, "CGLcamera::SavePose cannot write %s\n", path.c_str());
    if (m_position.z < 0.0f)
        m_position = CVec3(0.0f, 0.0f, m_radius * 0.5f);
    return true;
}

bool CGLcamera::LoadPose(int index)
{
    const std::string path = platform::ResolvePath(PoseFileName(index));
    // no pose saved yet; anything else at the name that cannot be read is named
    if (!platform::NameExists(path))
        return false;
    std::vector<uint8_t> bytes;
    std::string why;
    if (!platform::ReadWholeFile(path, bytes, kMaxPoseFileSize, &why))
        return CVersions::Print(false, "CGLcamera::LoadPose bad pose file %s: %s\n", path.c_str(), why.c_str());
    CVec3 position, rotation;
    if (!ParsePose(std::string(bytes.begin(), bytes.end()), position, rotation))
        return CVersions::Print(false, "CGLcamera::LoadPose bad pose file %s\n", path.c_str());
    m_position = position;
    m_rotation = rotation;
    return true;
}
