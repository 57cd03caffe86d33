#pragma once
#include "platform/SysColors.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using platform::COLORREF;

// A bitmap as the menu's image code handles it: 0x00BBGGRR pixels, rows top first.
struct MenuBitmap {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    int bitCount = 32;    // depth of the source it was read from
    int colorTable = 0;   // colour-table entries of that source (0: none given)

    MenuBitmap() = default;
    MenuBitmap(int w, int h, COLORREF fill = 0);
    bool IsValid() const { return width > 0 && height > 0 && pixels.size() == size_t(width) * size_t(height); }
    COLORREF& At(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    COLORREF At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// One image of a list: pixels and a mask (non-zero: transparent).
struct MenuImage {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    std::vector<uint8_t> mask;
};

// A list of equally sized masked images.
class MenuImageList {
public:
    MenuImageList(int cx, int cy) : cx_(cx), cy_(cy) {}
    int Width() const { return cx_; }
    int Height() const { return cy_; }
    int Count() const { return int(images_.size()); }

    // Cuts the bitmap into images of the list's width, the transparent colour
    // masked. Index of the first image added, -1 when nothing fits.
    int AddMasked(const MenuBitmap& bitmap, COLORREF transparent);
    // Adds an opaque bitmap the same way.
    int AddOpaque(const MenuBitmap& bitmap);
    // Adds an image as it is (resized to the list's size by cutting or padding with transparency).
    int Add(const MenuImage& image);
    bool Replace(int index, const MenuImage& image);
    const MenuImage* Get(int index) const;
    void Clear() { images_.clear(); }

private:
    MenuImage Fit(const MenuImage& image) const;
    int AddStrip(const MenuBitmap& bitmap, bool masked, COLORREF transparent);

    int cx_;
    int cy_;
    std::vector<MenuImage> images_;
};
