#include "foundation/image/BmpFile.h"

#include <climits>
#include <cstring>

namespace {

uint16_t Rd16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Rd32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

constexpr size_t kFileHeader = 14;

} // namespace

BmpParse ParseBmp(const uint8_t* data, size_t size, PictureView& view, std::vector<uint8_t>& scratch)
{
    if (!data || size < 2 || data[0] != 'B' || data[1] != 'M')
        return BmpParse::Other;
    if (size < kFileHeader + 4)
        return BmpParse::Bad;
    const uint32_t offBits = Rd32(data + 10);
    const uint32_t infoSize = Rd32(data + 14);
    if (infoSize < 40)
        return BmpParse::Other;  // OS/2 core headers
    if (uint64_t(kFileHeader) + infoSize > size)
        return BmpParse::Bad;
    const int32_t width = int32_t(Rd32(data + 18));
    const int32_t height = int32_t(Rd32(data + 22));
    const uint16_t bitCount = Rd16(data + 28);
    const uint32_t compression = Rd32(data + 30);
    const uint32_t sizeImage = Rd32(data + 34);
    const uint32_t clrUsed = Rd32(data + 46);
    if (compression != 0 || (bitCount != 8 && bitCount != 24 && bitCount != 32))
        return BmpParse::Other;
    if (width <= 0 || height == 0 || height == INT_MIN)
        return BmpParse::Bad;
    const int64_t rows = height < 0 ? -int64_t(height) : int64_t(height);

    // colour table
    const uint64_t tableStart = kFileHeader + uint64_t(infoSize);
    uint32_t colours = 0;
    if (bitCount == 8) {
        colours = clrUsed ? clrUsed : 256;
        if (colours > 256)
            return BmpParse::Bad;
    }
    if (tableStart + 4ull * colours > size)
        return BmpParse::Bad;
    if (offBits < tableStart + 4ull * colours || offBits > size)
        return BmpParse::Bad;

    // pixel rows: padded as the format requires, or unpadded as older files have them
    const uint64_t unpadded = uint64_t(width) * (bitCount / 8);
    const uint64_t padded = BmpFileRowBytes(width, bitCount);
    const uint64_t available = size - offBits;
    uint64_t rowBytes;
    if (unpadded != padded && sizeImage == unpadded * uint64_t(rows) && available >= unpadded * uint64_t(rows))
        rowBytes = unpadded;
    else if (available / uint64_t(rows) >= padded)
        rowBytes = padded;
    else if (available / uint64_t(rows) >= unpadded)
        rowBytes = unpadded;
    else
        return BmpParse::Bad;  // truncated

    const uint8_t* pixels = data + offBits;
    const uint8_t* top = height > 0 ? pixels + rowBytes * uint64_t(rows - 1) : pixels;
    const ptrdiff_t stride = height > 0 ? -ptrdiff_t(rowBytes) : ptrdiff_t(rowBytes);

    view.width = width;
    view.height = int(rows);
    view.bitCount = bitCount;
    view.firstRow = top;
    view.stride = stride;
    if (bitCount != 8)
        return BmpParse::Ok;

    const uint8_t* table = data + tableStart;
    bool grey = true, ramp = true;
    for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t* e = table + 4 * i;
        grey = grey && e[0] == e[1] && e[1] == e[2];
        ramp = ramp && e[0] == i && grey;
    }
    if (ramp)
        return BmpParse::Ok;  // indices are grey levels already

    // grey palette: indices become its grey levels; colour palette: 24-bit colour
    const int outBytes = grey ? 1 : 3;
    scratch.resize(size_t(width) * size_t(rows) * size_t(outBytes));
    uint8_t lut[256][3] = {};
    for (uint32_t i = 0; i < colours; ++i)
        std::memcpy(lut[i], table + 4 * i, 3);
    if (grey)
        for (uint32_t i = colours; i < 256; ++i)
            lut[i][0] = uint8_t(i);  // beyond a short grey table the index is its own level
    uint8_t* out = scratch.data();
    for (int64_t y = 0; y < rows; ++y) {
        const uint8_t* src = top + stride * y;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* c = lut[src[x]];
            if (grey)
                *out++ = c[0];
            else {
                *out++ = c[0];
                *out++ = c[1];
                *out++ = c[2];
            }
        }
    }
    view.bitCount = grey ? 8 : 24;
    view.firstRow = scratch.data();
    view.stride = ptrdiff_t(width) * outBytes;
    return BmpParse::Ok;
}

std::vector<uint8_t> BuildBmpFile(const BitmapInfo& info, const void* bits)
{
    const BitmapInfoHeader& h = info.bmiHeader;
    std::vector<uint8_t> out;
    if (!bits || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT_MIN || h.biBitCount < 8 ||
        h.biBitCount % 8 != 0)
        return out;
    const uint64_t rows = h.biHeight < 0 ? uint64_t(-int64_t(h.biHeight)) : uint64_t(h.biHeight);
    const uint64_t memRow = uint64_t(h.biWidth) * (h.biBitCount / 8);
    const uint64_t fileRow = BmpFileRowBytes(h.biWidth, h.biBitCount);
    const uint32_t colours = h.biClrUsed > 256 ? 256 : h.biClrUsed;
    const uint64_t offBits = 54 + 4ull * colours;
    const uint64_t total = offBits + fileRow * rows;
    if (fileRow * rows > 0xFFFFFFFFull - offBits)
        return out;  // beyond what the 32-bit size fields hold
    out.reserve(size_t(total));
    Put16(out, 0x4D42);
    Put32(out, uint32_t(total));
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, uint32_t(offBits));
    Put32(out, 40);
    Put32(out, uint32_t(h.biWidth));
    Put32(out, uint32_t(h.biHeight));
    Put16(out, h.biPlanes);
    Put16(out, h.biBitCount);
    Put32(out, h.biCompression);
    Put32(out, uint32_t(fileRow * rows));
    Put32(out, uint32_t(h.biXPelsPerMeter));
    Put32(out, uint32_t(h.biYPelsPerMeter));
    Put32(out, colours);
    Put32(out, h.biClrImportant);
    for (uint32_t i = 0; i < colours; ++i) {
        const RgbQuad& q = info.bmiColors[i];
        out.push_back(q.rgbBlue);
        out.push_back(q.rgbGreen);
        out.push_back(q.rgbRed);
        out.push_back(q.rgbReserved);
    }
    const uint8_t* src = static_cast<const uint8_t*>(bits);
    for (uint64_t y = 0; y < rows; ++y) {
        out.insert(out.end(), src, src + memRow);
        out.insert(out.end(), size_t(fileRow - memRow), uint8_t(0));
        src += memRow;
    }
    return out;
}
