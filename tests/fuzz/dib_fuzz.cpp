// fuzz max_len: 65536
// Packed DIBs (the clipboard's blocks): any bytes either decode to an image of the
// size the header gives, which converts back to a DIB of that size, or are refused.
#include "foundation/core/Versions.h"
#include "foundation/image/Dib.h"

#include <QImage>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        CVersions::EnableLog(false);
        return true;
    }();
    (void)ready;
    if (size > (1u << 16))
        return 0;
    // the first byte picks the conversion; a DIB is the rest
    const uint8_t pick = size > 0 ? data[0] : 0;
    const PackedDib dib(size > 0 ? data + 1 : data, data + size);
    if (dib.size() >= 40 && uint64_t(std::abs(int64_t(CDib::DibWidth(dib.data())))) *
                                    uint64_t(std::abs(int64_t(CDib::DibHeight(dib.data())))) > (uint64_t(1) << 22))
        return 0;  // large pictures are legal but slow to fuzz
    std::unique_ptr<QImage> image = CDib::DibToBitmap(dib);
    if (image) {
        if (image->width() != CDib::DibWidth(dib.data()) || image->height() != std::abs(CDib::DibHeight(dib.data())))
            std::abort();
        const PackedDib back = CDib::BitmapToDib(image.get());
        if (back.empty() || CDib::DibWidth(back.data()) != image->width())
            std::abort();
    }
    static const struct {
        int bits;
        uint32_t compression;
    } targets[] = {{24, kBiRgb}, {8, kBiRgb}, {4, kBiRgb}, {1, kBiRgb}, {0, kBiRle8}, {0, kBiRle4}};
    const auto& t = targets[pick % 6];
    const PackedDib converted = CDib::ConvertDib(dib, t.bits, t.compression);
    if (!converted.empty() && !image)
        std::abort();
    return 0;
}
