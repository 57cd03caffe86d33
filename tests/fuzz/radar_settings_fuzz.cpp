// fuzz max_len: 8192
// Radar settings file of any content, read as the program reads it: parsed and
// clamped without reading past the text; every value ends up inside its range.
#include "engine/terrain/GLRadar.h"
#include "foundation/core/Versions.h"
#include "fuzz_file.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = (CVersions::EnableLog(false), true); // no log file beside the fuzzer
    (void)quiet;
    CGLRadar radar;
    radar.SetSettingsPath(fuzzfile::Put("Radar.set", data, size));
    radar.LoadSettings();
    const CGLRadarSettings s = radar.GetSettings();
    if (s.windowWidth < 1 || s.windowHeight < 1 || !(s.scale >= 1.0f) || !(s.zoom > 0.0f) || !std::isfinite(s.screenX) ||
        !(s.viewWidth >= 8.0f))
        std::abort();
    radar.Attach(1024, 1024, 24, nullptr, nullptr, 100.0f);
    radar.ZoomStep(1);
    radar.ScaleStep(-1, 10, 10);
    if (!std::isfinite(radar.GetZoom()) || !std::isfinite(radar.GetScreenX()))
        std::abort();
    return 0;
}
