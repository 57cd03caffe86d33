// fuzz max_len: 8192
// Radar settings text of any content: parsed and clamped without reading past
// the text; every value ends up inside its range.
#include "engine/terrain/GLRadar.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CGLRadarSettings s;
    const int read = s.Parse(reinterpret_cast<const char*>(data), size);
    if (read < 0 || read > 10)
        std::abort();
    s.Clamp();
    if (s.windowWidth < 1 || s.windowHeight < 1 || !(s.scale >= 1.0f) || !(s.zoom > 0.0f) || !std::isfinite(s.screenX) ||
        !(s.viewWidth >= 8.0f))
        std::abort();
    CGLRadar radar;
    radar.SetSettings(s);
    radar.Attach(1024, 1024, 24, nullptr, nullptr, 100.0f);
    radar.ZoomStep(1);
    radar.ScaleStep(-1, 10, 10);
    if (!std::isfinite(radar.GetZoom()) || !std::isfinite(radar.GetScreenX()))
        std::abort();
    return 0;
}
