// fuzz max_len: 4194304
// Picture files decoded into the image buffer: any bytes either decode to a
// consistent 8, 24 or 32-bit image, whose BMP file reads back byte for byte, or
// are refused with the image left as it was.
#include "foundation/core/Versions.h"
#include "foundation/image/BmpFile.h"
#include "foundation/image/Dib.h"

#include <QImageReader>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        CVersions::EnableLog(false);
        QImageReader::setAllocationLimit(64);  // megabytes, for the general decoder
        return true;
    }();
    (void)ready;
    if (size > (1u << 22))
        return 0;

    CDib dib;
    // half of the inputs go into an existing bottom-up image
    const bool bottomUp = size > 0 && (data[size - 1] & 1);
    if (!dib.Create(3, bottomUp ? -2 : 2, 24))
        std::abort();
    std::memset(dib.GetBits(), 0x5A, 18);

    if (!dib.StreamToPic(data, int(size), size > 1 && (data[size - 2] & 1))) {
        if (dib.GetWidth() != 3 || dib.GetHeight() != 2)
            std::abort();
        for (int i = 0; i < 18; ++i)
            if (dib.GetBits()[i] != 0x5A)
                std::abort();
        return 0;
    }
    const BitmapInfo* info = dib.GetBitmapInfo();
    if (!info || !dib.GetBits())
        std::abort();
    const BitmapInfoHeader& h = info->bmiHeader;
    const int bpp = h.biBitCount;
    if (bpp != 8 && bpp != 24 && bpp != 32)
        std::abort();
    if (h.biWidth < 1 || h.biSizeImage != uint32_t(h.biWidth) * uint32_t(dib.GetHeight()) * uint32_t(bpp / 8))
        std::abort();

    const std::vector<uint8_t> file = BuildBmpFile(*info, dib.GetBits());
    PictureView view;
    std::vector<uint8_t> scratch;
    if (ParseBmp(file.data(), file.size(), view, scratch) != BmpParse::Ok)
        std::abort();
    CDib back;
    if (!back.FromPicture(view, false) || back.GetBitCount() != bpp)
        std::abort();
    // the copy is top-down; compare picture rows
    const size_t row = size_t(h.biWidth) * size_t(bpp / 8);
    const int rows = dib.GetHeight();
    for (int r = 0; r < rows; ++r) {
        const int memRow = h.biHeight > 0 ? rows - 1 - r : r;
        if (std::memcmp(dib.GetBits() + row * size_t(memRow), back.GetBits() + row * size_t(r), row) != 0)
            std::abort();
    }
    return 0;
}
