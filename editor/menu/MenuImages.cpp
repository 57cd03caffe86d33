#include "editor/menu/MenuImages.h"

#include <algorithm>

MenuBitmap::MenuBitmap(int w, int h, COLORREF fill)
    : width(std::max(0, w)), height(std::max(0, h)), pixels(size_t(width) * size_t(height), fill)
{
}

MenuImage MenuImageList::Fit(const MenuImage& image) const
{
    MenuImage out;
    out.width = cx_;
    out.height = cy_;
    out.pixels.assign(size_t(cx_) * size_t(cy_), 0);
    out.mask.assign(size_t(cx_) * size_t(cy_), 1);
    for (int y = 0; y < std::min(cy_, image.height); ++y)
        for (int x = 0; x < std::min(cx_, image.width); ++x) {
            const size_t s = size_t(y) * size_t(image.width) + size_t(x);
            const size_t d = size_t(y) * size_t(cx_) + size_t(x);
            out.pixels[d] = image.pixels[s];
            out.mask[d] = image.mask.empty() ? 0 : image.mask[s];
        }
    return out;
}

int MenuImageList::AddStrip(const MenuBitmap& bitmap, bool masked, COLORREF transparent)
{
    if (!bitmap.IsValid() || cx_ <= 0 || cy_ <= 0 || bitmap.width < cx_)
        return -1;
    const int first = Count();
    for (int left = 0; left + cx_ <= bitmap.width; left += cx_) {
        MenuImage img;
        img.width = cx_;
        img.height = std::min(cy_, bitmap.height);
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < cx_; ++x) {
                const COLORREF c = bitmap.At(left + x, y);
                img.pixels.push_back(c);
                img.mask.push_back(masked && c == transparent ? 1 : 0);
            }
        images_.push_back(Fit(img));
    }
    return first;
}

int MenuImageList::AddMasked(const MenuBitmap& bitmap, COLORREF transparent)
{
    return AddStrip(bitmap, true, transparent);
}

int MenuImageList::AddOpaque(const MenuBitmap& bitmap) { return AddStrip(bitmap, false, 0); }

int MenuImageList::Add(const MenuImage& image)
{
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() != size_t(image.width) * size_t(image.height))
        return -1;
    images_.push_back(Fit(image));
    return Count() - 1;
}

bool MenuImageList::Replace(int index, const MenuImage& image)
{
    if (index < 0 || index >= Count() || image.pixels.size() != size_t(image.width) * size_t(image.height))
        return false;
    images_[size_t(index)] = Fit(image);
    return true;
}

const MenuImage* MenuImageList::Get(int index) const
{
    return index >= 0 && index < Count() ? &images_[size_t(index)] : nullptr;
}
