// fuzz max_len: 8192
// Camera pose lines: any bytes either parse to six finite numbers, whose
// formatted line parses again, or are refused.
#include "engine/gl/GLcamera.h"

#include <cmath>
#include "fuzz_file.h"

#include <cstdint>
#include <vector>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // through the file and the helper the program reads with
    std::vector<uint8_t> held;
    if (!platform::ReadWholeFile(fuzzfile::Put("input", data, size), held, 4096))
        return 0;
    data = held.data();
    size = held.size();
    const std::string text(reinterpret_cast<const char*>(data), size);
    CVec3 position(1.0f, 2.0f, 3.0f), rotation(4.0f, 5.0f, 6.0f);
    if (!CGLcamera::ParsePose(text, position, rotation)) {
        if (position != CVec3(1.0f, 2.0f, 3.0f) || rotation != CVec3(4.0f, 5.0f, 6.0f))
            std::abort(); // a refused line must leave the pose alone
        return 0;
    }
    for (float v : {position.x, position.y, position.z, rotation.x, rotation.y, rotation.z})
        if (!std::isfinite(v))
            std::abort();
    CVec3 p2, r2;
    if (!CGLcamera::ParsePose(CGLcamera::FormatPose(position, rotation), p2, r2))
        std::abort();
    return 0;
}
