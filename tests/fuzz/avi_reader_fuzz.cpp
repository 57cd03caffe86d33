// AVI files read from memory: any bytes are either refused or give frames of the
// size and depth the reader reports, each frame's rows fully inside its buffer.
#include "foundation/core/Versions.h"
#include "foundation/image/AviFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        CVersions::EnableLog(false);
        return true;
    }();
    (void)ready;
    if (size > (1u << 20))
        return 0;
    AviReader reader;
    if (!reader.OpenMemory(data, size))
        return 0;
    if (reader.Width() < 1 || reader.Height() < 1 || reader.Length() < 0)
        std::abort();
    if (int64_t(reader.Width()) * reader.Height() > (int64_t(1) << 24))
        return 0;  // a huge picture is legal but slow to fuzz
    const int64_t frames = reader.Length() < 4 ? reader.Length() : 4;
    for (int64_t i : {int64_t(0), frames - 1, int64_t(1)}) {
        if (i < 0)
            continue;
        const BitmapInfo* frame = reader.GetFrame(i);
        if (!frame)
            continue;
        const BitmapInfoHeader& h = frame->bmiHeader;
        if (h.biWidth < 1 || h.biHeight < 1 || (h.biBitCount != 8 && h.biBitCount != 24 && h.biBitCount != 32))
            std::abort();
        if (h.biSizeImage != uint32_t(h.biWidth) * uint32_t(h.biHeight) * uint32_t(h.biBitCount / 8))
            std::abort();
        volatile uint8_t last = reader.FrameBits()[h.biSizeImage - 1];
        (void)last;
    }
    return 0;
}
