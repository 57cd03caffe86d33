#include "engine/terrain/GLRadar.h"

#include "foundation/core/Versions.h"
#include "foundation/math/Tables.h"
#include "platform/Paths.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cerrno>
#include <unistd.h>

namespace {

constexpr int kOutlinePoints = 64;
constexpr double kOutlineStep = 0.09817477042468103; // 2 pi / 64
constexpr size_t kSettingsMax = 4096;

float ClampFloat(float v, float lo, float hi, float fallback)
{
    if (!std::isfinite(v))
        return fallback;
    return std::min(hi, std::max(lo, v));
}

bool SkipSpace(const char*& p, const char* end)
{
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f'))
        ++p;
    return p < end;
}

// One number read by `convert` (strtol/strtof-like) from a bounded copy, so the
// conversion never runs past the text.
template <class T, class Convert>
bool ParseNumber(const char*& p, const char* end, T& out, Convert convert)
{
    if (!SkipSpace(p, end))
        return false;
    char buf[64];
    const size_t n = std::min(size_t(end - p), sizeof buf - 1);
    std::memcpy(buf, p, n);
    buf[n] = '\0';
    char* stop = nullptr;
    const T v = convert(buf, &stop);
    if (stop == buf)
        return false;
    out = v;
    p += stop - buf;
    return true;
}

bool ParseInt(const char*& p, const char* end, int& out)
{
    return ParseNumber(p, end, out, [](const char* s, char** stop) {
        const long v = std::strtol(s, stop, 10);
        return int(std::max<long>(INT_MIN, std::min<long>(INT_MAX, v)));
    });
}

bool ParseFloat(const char*& p, const char* end, float& out)
{
    return ParseNumber(p, end, out, [](const char* s, char** stop) { return std::strtof(s, stop); });
}

} // namespace

int CGLRadarSettings::Parse(const char* text, size_t length)
{
    const char* p = text;
    const char* end = text + length;
    int* ints[] = {&circular, &locked, &windowWidth, &windowHeight};
    float* floats[] = {&zoom, &scale, &screenX, &screenY, &viewWidth, &viewHeight};
    int read = 0;
    for (int field = 0; field < 10; ++field) {
        if (field > 0) {
            if (p >= end || *p != ',')
                break;
            ++p;
        }
        const bool ok = field < 4 ? ParseInt(p, end, *ints[field]) : ParseFloat(p, end, *floats[field - 4]);
        if (!ok)
            break;
        ++read;
    }
    return read;
}

void CGLRadarSettings::Clamp()
{
    const CGLRadarSettings def;
    circular = circular != 0 ? 1 : 0;
    locked = locked != 0 ? 1 : 0;
    windowWidth = std::min(8192, std::max(1, windowWidth));
    windowHeight = std::min(8192, std::max(1, windowHeight));
    zoom = ClampFloat(zoom, 0.1f, 128.0f, def.zoom);
    scale = ClampFloat(scale, 1.0f, 32.0f, def.scale);
    viewWidth = ClampFloat(viewWidth, 8.0f, 4096.0f, def.viewWidth);
    viewHeight = ClampFloat(viewHeight, 8.0f, 4096.0f, def.viewHeight);
    // Ctrl+wheel scaling keeps the point under the pointer, so near the window's
    // edge it takes the corner outside: keep any corner it can make, down to the
    // minimap's far edge at the window's edge
    screenX = ClampFloat(screenX, -scale * viewWidth, 16384.0f, def.screenX);
    screenY = ClampFloat(screenY, -scale * viewHeight, 16384.0f, def.screenY);
}

std::string CGLRadarSettings::Format() const
{
    char buf[512];
    std::snprintf(buf, sizeof buf, "%d,%d,%d,%d,%f,%f,%f,%f,%f,%f", circular, locked, windowWidth, windowHeight, zoom,
                  scale, screenX, screenY, viewWidth, viewHeight);
    return buf;
}

CGLRadar::CGLRadar() = default;

CGLRadar::~CGLRadar()
{
    m_outline.clear();
}

CGLRadarSettings CGLRadar::GetSettings() const
{
    CGLRadarSettings s;
    s.circular = m_circular ? 1 : 0;
    s.locked = m_locked ? 1 : 0;
    s.windowWidth = m_windowWidth;
    s.windowHeight = m_windowHeight;
    s.zoom = m_zoom;
    s.scale = m_scale;
    s.screenX = m_screenX;
    s.screenY = m_screenY;
    s.viewWidth = m_viewWidth;
    s.viewHeight = m_viewHeight;
    return s;
}

void CGLRadar::SetSettings(const CGLRadarSettings& in)
{
    CGLRadarSettings s = in;
    s.Clamp();
    m_circular = s.circular != 0;
    m_locked = s.locked != 0;
    m_windowWidth = s.windowWidth;
    m_windowHeight = s.windowHeight;
    m_zoom = s.zoom;
    m_scale = s.scale;
    m_screenX = s.screenX;
    m_screenY = s.screenY;
    m_viewWidth = s.viewWidth;
    m_viewHeight = s.viewHeight;
}

void CGLRadar::LoadSettings()
{
    const std::string path = platform::ResolvePath(m_settingsPath);
    // only the start of the file is read, so any size is fine; what is not a
    // file (a FIFO, a device) is refused without waiting
    m_settingsUnread = false;
    std::string why;
    const int fd = platform::OpenRegularFile(path, UINT64_MAX, &why);
    if (fd < 0) {
        if (platform::FileSize(path) >= 0) {
            m_settingsUnread = true;
            m_settingsAtLoad = GetSettings();
            CVersions::Print(false, "CGLRadar::LoadSettings %s: cannot read: %s; kept as it is\r\n",
                             m_settingsPath.c_str(), why.c_str());
        }
        return;
    }
    char buf[kSettingsMax];
    size_t n = 0;
    while (n < sizeof buf) {
        const ssize_t got = ::read(fd, buf + n, sizeof buf - n);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        n += size_t(got);
    }
    ::close(fd);
    CGLRadarSettings s = GetSettings();
    const int read = s.Parse(buf, n);
    const CGLRadarSettings parsed = s;
    s.Clamp();
    if (read < 10)
        CVersions::Print(false, "CGLRadar::LoadSettings %s: %d of 10 fields read\r\n", m_settingsPath.c_str(), read);
    if (std::memcmp(&parsed, &s, sizeof s) != 0)
        CVersions::Print(false, "CGLRadar::LoadSettings %s: values out of range corrected\r\n", m_settingsPath.c_str());
    SetSettings(s);
}

void CGLRadar::SaveSettings()
{
    const CGLRadarSettings now = GetSettings();
    if (m_settingsUnread && std::memcmp(&now, &m_settingsAtLoad, sizeof now) == 0)
        return;
    const std::string path = platform::ResolvePath(m_settingsPath);
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        platform::CreateDirectories(path.substr(0, slash));
    const std::string text = GetSettings().Format();
    if (!platform::WriteFileAtomic(path, text.data(), text.size()))
        CVersions::Print(false, "CGLRadar::SaveSettings cannot write %s\r\n", m_settingsPath.c_str());
}

void CGLRadar::Attach(int mapWidth, int mapHeight, int bitsPerPixel, const CVec3* colours, const CVec3* vertices,
                      float cellSize)
{
    m_mapWidth = mapWidth;
    m_mapHeight = mapHeight;
    m_bitsPerPixel = bitsPerPixel;
    m_colours = colours;
    m_vertices = vertices;
    m_cellSize = cellSize;
}

void CGLRadar::BuildOutline()
{
    m_outline.clear();
    m_outline.reserve(kOutlinePoints);
    const float r = std::min(m_viewWidth, m_viewHeight) * m_scale * 0.5f;
    const float cx = m_screenX + m_viewWidth * m_scale * 0.5f;
    const float cy = m_screenY + m_viewHeight * m_scale * 0.5f;
    for (int i = 0; i < kOutlinePoints; ++i) {
        const float a = float(i * kOutlineStep);
        m_outline.emplace_back(cx + CosRad(a) * r, cy + SinRad(a) * r, 0.0f);
    }
}

bool CGLRadar::HitTest(int mx, int my)
{
    const float left = m_screenX <= 0.0f ? -20.0f : m_screenX;
    const float top = m_screenY <= 0.0f ? -60.0f : m_screenY;
    const float x = float(mx);
    const float y = float(my);
    m_mouseOver = left <= x && x <= m_screenX + m_scale * m_viewWidth && top <= y &&
                  y <= m_screenY + m_scale * m_viewHeight;
    return m_mouseOver;
}

void CGLRadar::CentreOn(int mx, int my)
{
    m_screenX = std::max(0.0f, float(mx) - m_scale * m_viewWidth * 0.5f);
    m_screenY = std::max(0.0f, float(my) - m_scale * m_viewHeight * 0.5f);
    BuildOutline();
}

void CGLRadar::ScaleStep(int wheel, int mx, int my)
{
    const float s = m_scale;
    const float next = std::min(32.0f, std::max(1.0f, s - 0.01f * float(wheel)));
    const float k = next / s;
    m_screenX = float(mx) - (float(mx) - m_screenX) * k;
    m_screenY = float(my) - (float(my) - m_screenY) * k;
    m_scale = next;
    BuildOutline();
}

float CGLRadar::MinZoom() const
{
    const int w = m_mapWidth > 0 ? m_windowWidth / m_mapWidth : 0;
    return float(w) * 2.0f + 0.1f;
}

float CGLRadar::MaxZoom() const
{
    const int w = m_mapWidth / std::max(1, m_windowWidth);
    const int h = m_mapHeight / std::max(1, m_windowHeight);
    // a map smaller than the window still keeps a usable zoom
    return std::max(float(std::min(w, h)), MinZoom());
}

void CGLRadar::ZoomStep(int wheel)
{
    if (m_locked)
        return;
    m_zoom += wheel > 0 ? 0.1f : -0.1f;
    m_zoom = std::min(MaxZoom(), std::max(MinZoom(), m_zoom));
}

void CGLRadar::SetLayout(bool locked, bool circular, float viewWidth, float viewHeight, float scale, float zoom,
                         float screenX, float screenY)
{
    CGLRadarSettings s = GetSettings();
    s.locked = locked;
    s.circular = circular;
    s.viewWidth = viewWidth;
    s.viewHeight = viewHeight;
    s.scale = scale;
    s.zoom = zoom;
    s.screenX = screenX;
    s.screenY = screenY;
    s.windowWidth = int(viewWidth);
    s.windowHeight = int(viewHeight);
    SetSettings(s);
    BuildOutline();
}

void CGLRadar::SetModes(bool locked, bool circular)
{
    m_locked = locked;
    m_circular = circular;
    BuildOutline();
}

void CGLRadar::SetRound(bool round)
{
    m_circular = round;
    BuildOutline();
}

std::string CGLRadar::ZoomText() const
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "Zoom x %d:1 Sz %d", m_locked ? 1 : int(10.0f * m_zoom), int(10.0f * m_scale));
    return buf;
}

CVec3 CGLRadar::MapToWorldPoint(const CVec3& camera, float radius, int mx, int my) const
{
    const int W = m_mapWidth;
    const int H = m_mapHeight;
    const float c = m_cellSize;
    if (W <= 0 || H <= 0 || !m_vertices)
        return camera;
    const float x0 = m_screenX;
    const float y0 = m_screenY;
    const float w = m_scale * m_viewWidth;
    const float h = m_scale * m_viewHeight;
    float wx, wy;
    if (m_locked) {
        wx = ((float(mx) - x0) / w * float(W) - float(W / 2)) * c;
        wy = ((1.0f - (float(my) - y0) / h) * float(H) - float(H / 2)) * c;
    } else {
        wx = camera.x + (float(mx) - (x0 + w * 0.5f)) * c * m_zoom * 0.2f;
        wy = camera.y + (y0 + h * 0.5f - float(my)) * c * m_zoom * 0.2f;
    }
    wx = std::min(float(W - 1 - W / 2) * c, std::max(-float(W / 2) * c, wx));
    wy = std::min(float(H - 1 - H / 2) * c, std::max(-float(H / 2) * c, wy));
    const int gx = std::min(W - 1, std::max(0, int(wx / c + float(W / 2))));
    const int gy = std::min(H - 1, std::max(0, int(wy / c + float(H / 2))));
    const float g = m_vertices[int64_t(gy) * W + gx].z;
    const float z = std::min(std::fabs(camera.z), float(W) * c);
    return CVec3(wx, wy, z < radius + g ? radius + g : z);
}

void CGLRadar::BuildPicture(uint8_t* out, int width, int height, const CVec3* colours)
{
    auto byte = [](float v) -> uint8_t {
        const float b = 255.0f * v;
        return b >= 255.0f ? 255 : (b > 0.0f ? uint8_t(int(b)) : 0); // NaN gives 0
    };
    const int64_t n = int64_t(width) * height;
    for (int64_t k = 0; k < n; ++k) {
        out[k * 3 + 0] = byte(colours[k].x);
        out[k * 3 + 1] = byte(colours[k].y);
        out[k * 3 + 2] = byte(colours[k].z);
    }
}
