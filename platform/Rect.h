#pragma once
// A rectangle as the program measures it: right and bottom lie outside.

#include <cstdint>

namespace platform {

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
    // An empty or inverted rectangle meets nothing.
    bool Intersects(const Rect& o) const
    {
        return !IsEmpty() && !o.IsEmpty() && left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    bool operator==(const Rect&) const = default;
};

} // namespace platform
