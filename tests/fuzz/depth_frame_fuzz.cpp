// Depth frames: any bytes given as a frame of a few sizes are refused, taken as a
// plain picture (when it holds its rows), or give heights from depths inside the buffer.
#include "engine/terrain/DepthFrame.h"
#include "engine/terrain/GLterrain.h"
#include "foundation/core/Versions.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        CVersions::EnableLog(false);
        return true;
    }();
    (void)ready;
    if (size < 2 || size > (1u << 18))
        return 0;
    const int shapes[][3] = {{8, 4, 8}, {16, 8, 24}, {4, 4, 32}, {33, 3, 24}};
    const auto& s = shapes[data[0] % 4];
    const int w = s[0], h = s[1], bits = s[2];
    // the frame is copied so that reading one byte past it is caught
    const std::vector<uint8_t> frame(data + 1, data + size);
    DepthFrame parsed;
    const DepthParse r = ParseDepthFrame(frame.data(), frame.size(), w, h, bits, parsed);
    if (r == DepthParse::Ok) {
        if (parsed.headerRows < 2 || !parsed.depths)
            std::abort();
        volatile float last = DepthAt(parsed, int64_t(w) * h - 1);
        (void)last;
    }
    const bool fits = r == DepthParse::Ok || (r == DepthParse::NotDepth && frame.size() >= size_t(w) * h * (bits / 8));
    CGLterrain terrain;
    terrain.SetSmoothPasses(1);
    bool recreated = false;
    const bool ok = terrain.ApplyImage(frame.data(), frame.size(), w, h, bits, recreated);
    if (ok != fits)
        std::abort();
    return 0;
}
