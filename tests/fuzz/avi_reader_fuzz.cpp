// AVI files read as CAvi::Load reads them, from a file: any bytes are either
// refused or give an image of the size and depth of the decoded frames, each
// frame drawn from rows fully inside its buffer.
#include "foundation/core/Versions.h"
#include "foundation/image/Avi.h"

#include "fuzz_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        CVersions::EnableLog(false);
        CAvi::SetMessageBox([](const std::string&) {});
        return true;
    }();
    (void)ready;
    if (size > (1u << 20))
        return 0;
    const std::string path = fuzzfile::Put("in.avi", data, size);
    CAvi avi;
    if (!avi.Load(path.c_str()))
        return 0;
    const BitmapInfo* info = avi.GetBitmapInfo();
    if (!info || !avi.GetBits() || avi.GetWidth() < 1 || avi.GetHeight() < 1 || avi.GetLength() < 0)
        std::abort();
    const int bits = avi.GetBitCount();
    if (bits != 8 && bits != 24 && bits != 32)
        std::abort();
    if (int64_t(avi.GetWidth()) * avi.GetHeight() > (int64_t(1) << 24))
        return 0;  // a huge picture is legal but slow to fuzz
    const int frames = avi.GetLength() < 4 ? avi.GetLength() : 4;
    for (int i : {0, frames - 1, 1}) {
        if (i < 0)
            continue;
        const uint8_t* pixels = avi.GetFrame(i, i == 1 ? 111 : 0);
        if (pixels != avi.GetBits())
            std::abort();
        volatile uint8_t last = pixels[size_t(info->bmiHeader.biSizeImage) - 1];
        (void)last;
    }
    return 0;
}
