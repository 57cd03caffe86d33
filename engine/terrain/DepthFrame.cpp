#include "engine/terrain/DepthFrame.h"

#include <algorithm>
#include <cfloat>
#include <cstring>

namespace {
constexpr char kMagic[9] = {'D', 'E', 'E', 'P', '1', '9', '6', '5', '\0'};

float FloatAt(const uint8_t* p)
{
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

bool IsHeader(const uint8_t* p) { return std::memcmp(p, kMagic, sizeof kMagic) == 0; }
} // namespace

DepthParse ParseDepthFrame(const uint8_t* pixels, size_t length, int width, int height, int bits, DepthFrame& out)
{
    out = DepthFrame();
    if (!pixels || length < sizeof kMagic || !IsHeader(pixels))
        return DepthParse::NotDepth;
    if (width < 1 || height < 1 || (bits != 8 && bits != 24 && bits != 32) || length < 33)
        return DepthParse::Bad;
    const uint64_t row = uint64_t(width) * uint64_t(bits / 8);
    const unsigned d = unsigned(pixels[11]) | unsigned(pixels[12]) << 8;
    if (d == 0)
        return DepthParse::Bad;
    const uint64_t second = uint64_t(d) * row;
    if (second + 33 > length || !IsHeader(pixels + second))
        return DepthParse::Bad;
    const uint64_t cells = uint64_t(width) * uint64_t(height);
    const uint64_t depthStart = cells * (bits / 8);
    if (depthStart + 4 * cells > length)
        return DepthParse::Bad;
    out.max1 = std::max(FloatAt(pixels + 25), FLT_MIN);
    out.min1 = std::min(FloatAt(pixels + 29), FLT_MAX);
    out.max2 = FloatAt(pixels + second + 25);
    out.min2 = FloatAt(pixels + second + 29);
    out.headerRows = int(2 * d);
    out.depths = reinterpret_cast<const float*>(pixels + depthStart);
    return DepthParse::Ok;
}

float DepthAt(const DepthFrame& frame, int64_t k)
{
    float f;
    std::memcpy(&f, reinterpret_cast<const uint8_t*>(frame.depths) + 4 * k, 4);
    return f;
}
