#pragma once
#include <cstddef>
#include <cstdint>

// A camera depth frame: W x H pixel rows whose first row starts with "DEEP1965"
// and a NUL (u16 at byte 11: d, the rows of a header block; float at 25: maximum
// depth; float at 29: minimum depth), a second such header at row d, then W x H
// float depths from byte H x W x bits/8 on.
struct DepthFrame {
    int headerRows = 0;  // 2 x d: extra rows beyond the picture's H
    float max1 = 0, min1 = 0;  // first header's limits (maximum at least the smallest positive float)
    float max2 = 0, min2 = 0;  // second header's
    const float* depths = nullptr;  // W x H floats, unaligned: read with memcpy
};

enum class DepthParse {
    NotDepth,  // no "DEEP1965" header: a plain picture
    Ok,
    Bad,  // a depth frame that does not fit its buffer or lacks its second header
};

DepthParse ParseDepthFrame(const uint8_t* pixels, size_t length, int width, int height, int bits, DepthFrame& out);
// Depth k of a parsed frame.
float DepthAt(const DepthFrame& frame, int64_t k);
