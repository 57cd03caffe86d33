// fuzz max_len: 1048576
// JPEG reader: any bytes either decode to a picture of the size the header
// reports, within the pixel limit, or are refused.
#include "foundation/core/Versions.h"
#include "foundation/image/Jpeg.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        CVersions::EnableLog(false);
        SetJpegErrorHook([](const char*) {});
        return true;
    }();
    (void)ready;
    if (size == 0)
        return 0;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    int w = -1, h = -1;
    const int sized = ReadJpegSizeStream(file, &w, &h);
    std::rewind(file);
    constexpr uint64_t kLimit = uint64_t(1) << 20;
    int dw = -1, dh = -1;
    auto pixels = ReadJpegStream(file, &dw, &dh, kLimit);
    std::fclose(file);
    if (!pixels) {
        if (dw != 0 || dh != 0)
            std::abort();
        return 0;
    }
    if (!sized || dw <= 0 || dh <= 0 || uint64_t(dw) * uint64_t(dh) > kLimit)
        std::abort();
    if (dw != w || dh != h)
        std::abort();
    volatile uint8_t last = pixels[size_t(dw) * size_t(dh) * 3 - 1];  // the whole buffer is there
    (void)last;
    return 0;
}
