#pragma once
#include "foundation/image/ImageSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Rows of a decoded picture, the picture's top row first; stride may be negative
// (bottom-up source rows). Pixels: 8 bits grey, 24 bits blue-green-red,
// 32 bits blue-green-red-fourth byte.
struct PictureView {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    const uint8_t* firstRow = nullptr;
    ptrdiff_t stride = 0;
};

enum class BmpParse {
    Ok,     // view filled
    Bad,    // a BMP whose header does not fit the file
    Other,  // not an uncompressed 8, 24 or 32-bit BMP: for the general decoder
};

// Reads an uncompressed 8, 24 or 32-bit BMP (rows padded to four bytes as the
// format requires, or unpadded as older writers left them; top-down or bottom-up).
// The view points into data, or into scratch where 8-bit palette indices are
// turned into grey levels (grey palette) or 24-bit colour (colour palette).
BmpParse ParseBmp(const uint8_t* data, size_t size, PictureView& view, std::vector<uint8_t>& scratch);

// Row length in a BMP file: rows padded to four bytes.
inline uint64_t BmpFileRowBytes(int64_t width, int bitCount) { return ((uint64_t(width) * uint64_t(bitCount) + 31) / 32) * 4; }

// A BMP file of the image: 14-byte file header, the info header (biSizeImage of the
// padded rows), biClrUsed colour entries, then the rows (width x bits / 8 bytes each
// in memory) in their memory order, each padded to four bytes. Empty when the
// header describes no image.
std::vector<uint8_t> BuildBmpFile(const BitmapInfo& info, const void* bits);
