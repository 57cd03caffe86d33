// Owner-drawn menu: image lists, the shared image list, image effects, bitmap
// and toolbar resources, swatches and check images.
#include "editor/menu/BCMenu.h"
#include "editor/menu/BCMenuInternal.h"

#include <QImage>

#include <algorithm>

using platform::GetSysColor;

namespace {

uint32_t ReadLE(const std::vector<uint8_t>& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | b[at + size_t(i)];
    return v;
}

bool Effects() { return BCMenu::IsXPStyleActive() && BCMenu::s_bXPImageEffects; }

MenuImage Opaque(const MenuBitmap& b)
{
    MenuImage img;
    img.width = b.width;
    img.height = b.height;
    img.pixels = b.pixels;
    img.mask.assign(b.pixels.size(), 0);
    return img;
}

// The three effect copies of a bitmap: lightened, shadow, disabled.
void AddEffectCopies(MenuImageList& list, const MenuBitmap& bitmap)
{
    MenuBitmap light = bitmap, shadow = bitmap, disabled = bitmap;
    BCMenu::LightenImage(light);
    BCMenu::ShadowImage(shadow);
    BCMenu::DisabledImage(disabled, 0);
    list.Add(Opaque(light));
    list.Add(Opaque(shadow));
    list.Add(Opaque(disabled));
}

} // namespace

int ToolbarResource::ImageOf(unsigned command) const
{
    int image = 0;
    for (unsigned c : commands) {
        if (c == 0)
            continue;
        if (c == command)
            return image;
        ++image;
    }
    return -1;
}

COLORREF BCMenu::TransparentColour() const
{
    return m_bUseBitmapBack ? m_crBitmapBack : GetSysColor(platform::COLOR_BTNFACE);
}

void BCMenu::ResetSharedImages()
{
    s_sharedImages.reset();
    s_sharedImageIds.clear();
    s_bPlainBitmapImages = false;
}

int BCMenu::FindSharedImage(unsigned id)
{
    auto it = std::find(s_sharedImageIds.begin(), s_sharedImageIds.end(), id);
    return it == s_sharedImageIds.end() ? -1 : int(it - s_sharedImageIds.begin());
}

bool BCMenu::HasEffectCopies(int index)
{
    if (index < 0 || size_t(index) + 2 >= s_sharedImageIds.size())
        return false;
    const unsigned id = s_sharedImageIds[size_t(index)];
    return s_sharedImageIds[size_t(index) + 1] == id && s_sharedImageIds[size_t(index) + 2] == id;
}

int BCMenu::AddSharedImage(const MenuImageList& list, int index, unsigned id)
{
    if (!s_sharedImages)
        s_sharedImages = std::make_unique<MenuImageList>(s_nImageWidth, s_nImageHeight);
    const MenuImage* image = list.Get(index);
    if (!image)
        return -1;
    const bool effects = Effects();
    const MenuBitmap bitmap = ImageToBitmap(list, index);
    const int at = FindSharedImage(id);
    if (at < 0) {
        const int added = s_sharedImages->Add(*image);
        if (added < 0)
            return -1;
        s_sharedImageIds.push_back(id);
        if (effects) {
            AddEffectCopies(*s_sharedImages, bitmap);
            s_sharedImageIds.insert(s_sharedImageIds.end(), 3, id);
        }
        return added;
    }
    s_sharedImages->Replace(at, *image);
    if (effects && HasEffectCopies(at) && size_t(at) + 3 < s_sharedImageIds.size() &&
        s_sharedImageIds[size_t(at) + 3] == id) {
        MenuImageList copies(s_nImageWidth, s_nImageHeight);
        AddEffectCopies(copies, bitmap);
        for (int k = 0; k < 3; ++k)
            s_sharedImages->Replace(at + 1 + k, *copies.Get(k));
    }
    return at;
}

int BCMenu::DibColorCount(int colorTable, int bitCount)
{
    if (colorTable)
        return colorTable;
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

bool BCMenu::LoadBitmapResource(unsigned id, MenuBitmap& out)
{
    out = MenuBitmap();
    std::vector<uint8_t> bytes;
    if (!menu_detail::LoadResource("BITMAP", id, bytes) || bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    QImage img;
    if (!img.loadFromData(bytes.data(), int(bytes.size()), "BMP"))
        return false;
    img = img.convertToFormat(QImage::Format_RGB32);
    out = MenuBitmap(img.width(), img.height());
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            out.At(x, y) = platform::MakeRGB(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
    out.bitCount = int(ReadLE(bytes, 28, 2));
    out.colorTable = int(ReadLE(bytes, 46, 4));
    return out.IsValid();
}

bool BCMenu::LoadSysColorBitmap(int bitmapId, MenuBitmap& out)
{
    if (bitmapId < 0 || !LoadBitmapResource(unsigned(bitmapId), out))
        return false;
    // the four button colours of a 16-colour bitmap follow the desktop's scheme
    for (COLORREF& c : out.pixels) {
        switch (c) {
        case 0x000000: c = GetSysColor(platform::COLOR_BTNTEXT); break;
        case 0x808080: c = GetSysColor(platform::COLOR_BTNSHADOW); break;
        case 0xC0C0C0: c = GetSysColor(platform::COLOR_BTNFACE); break;
        case 0xFFFFFF: c = GetSysColor(platform::COLOR_BTNHIGHLIGHT); break;
        default: break;
        }
    }
    return true;
}

bool BCMenu::AddBitmapImages(MenuImageList& list, int image)
{
    const int first = list.Count();
    if (m_bIconImages) {
        // an icon: taken as it is, its transparency kept
        std::vector<uint8_t> bytes;
        QImage img;
        if (image < 0 || !menu_detail::LoadResource("ICON", unsigned(image), bytes) ||
            !img.loadFromData(bytes.data(), int(bytes.size())))
            return false;
        img = img.convertToFormat(QImage::Format_ARGB32);
        MenuImage icon;
        icon.width = img.width();
        icon.height = img.height();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb p = img.pixel(x, y);
                icon.pixels.push_back(platform::MakeRGB(qRed(p), qGreen(p), qBlue(p)));
                icon.mask.push_back(qAlpha(p) < 128 ? 1 : 0);
            }
        if (list.Add(icon) < 0)
            return false;
    } else {
        MenuBitmap bitmap;
        if (image < 0 || !LoadBitmapResource(unsigned(image), bitmap))
            return false;
        if (DibColorCount(bitmap.colorTable, bitmap.bitCount) == 16) {
            LoadSysColorBitmap(image, bitmap);
        } else {
            s_bPlainBitmapImages = true;
            ReplaceMaskColor(bitmap);
        }
        if (list.AddMasked(bitmap, TransparentColour()) < 0)
            return false;
    }
    if (Effects() && list.Count() > first)
        AddEffectCopies(list, ImageToBitmap(list, 0));
    return true;
}

void BCMenu::LightenImage(MenuBitmap& b)
{
    const COLORREF bg = GetSysColor(platform::COLOR_BTNFACE);
    for (COLORREF& c : b.pixels)
        if (c != bg)
            c = Lighten(c, 0.3);
}

void BCMenu::ShadowImage(MenuBitmap& b)
{
    const COLORREF bg = GetSysColor(platform::COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(platform::COLOR_BTNSHADOW);
    const COLORREF colour = IsXPThemeActive() ? shadow : Lighten(shadow, 0.49);
    for (COLORREF& c : b.pixels)
        if (c != bg)
            c = colour;
}

void BCMenu::DisabledImage(MenuBitmap& b, COLORREF background)
{
    const COLORREF bg = GetSysColor(platform::COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(platform::COLOR_BTNSHADOW);
    for (COLORREF& c : b.pixels) {
        if (c != bg) {
            const int avg = (platform::GetR(c) + platform::GetG(c) + platform::GetB(c)) / 3;
            c = Lighten(shadow, avg / 255.0);
        } else if (background != 0) {
            c = background;
        }
    }
}

void BCMenu::ReplaceMaskColor(MenuBitmap& b)
{
    const COLORREF face = GetSysColor(platform::COLOR_BTNFACE);
    for (COLORREF& c : b.pixels)
        if (c == 0xC0C0C0)
            c = face;
}

MenuBitmap BCMenu::ImageToBitmap(const MenuImageList& list, int index)
{
    MenuBitmap out(list.Width(), list.Height(), GetSysColor(platform::COLOR_BTNFACE));
    const MenuImage* img = list.Get(index);
    if (!img)
        return out;
    for (size_t i = 0; i < img->pixels.size() && i < out.pixels.size(); ++i)
        if (img->mask.empty() || !img->mask[i])
            out.pixels[i] = img->pixels[i];
    return out;
}

void BCMenu::CopyImageWithEffects(const MenuImageList& source, int index, MenuImageList& target)
{
    target = MenuImageList(source.Width(), source.Height());
    const MenuImage* img = source.Get(index);
    if (!img)
        return;
    target.Add(*img);
    if (Effects())
        AddEffectCopies(target, ImageToBitmap(source, index));
}

MenuBitmap BCMenu::MakeSwatchBitmap(int rectCx, int rectCy, int imageCx, int imageCy, COLORREF fill,
                                    COLORREF border, int hatch)
{
    const COLORREF menuBack = GetSysColor(IsXPThemeActive() ? platform::COLOR_BTNFACE : platform::COLOR_MENU);
    MenuBitmap out(imageCx, imageCy, menuBack);
    const int left = (imageCx - rectCx) / 2, top = (imageCy - rectCy) / 2;
    for (int y = std::max(0, top); y < std::min(imageCy, top + rectCy); ++y)
        for (int x = std::max(0, left); x < std::min(imageCx, left + rectCx); ++x) {
            const bool edge = x == left || y == top || x == left + rectCx - 1 || y == top + rectCy - 1;
            COLORREF c = fill;
            if (edge) {
                c = border;
            } else if (hatch >= 0) {
                // hatch lines in the fill colour on the default white background, 8-pixel pattern
                const int hx = x & 7, hy = y & 7;
                bool line = false;
                switch (hatch) {
                case 0: line = hy == 0; break;                        // horizontal
                case 1: line = hx == 0; break;                        // vertical
                case 2: line = hx == hy; break;                       // top-left to bottom-right
                case 3: line = hx == 7 - hy; break;                   // bottom-left to top-right
                case 4: line = hx == 0 || hy == 0; break;             // cross
                default: line = hx == hy || hx == 7 - hy; break;      // diagonal cross
                }
                c = line ? fill : 0xFFFFFF;
            }
            out.At(x, y) = c;
        }
    return out;
}

bool BCMenu::SetCheckImages(int normalId, int selectedId)
{
    if (normalId <= 0 || selectedId <= 0)
        return false;
    m_nCheckBitmap = normalId;
    m_nSelectedCheckBitmap = selectedId;
    if (!m_pCheckImages)
        m_pCheckImages = std::make_shared<MenuImageList>(s_nImageWidth, s_nImageHeight);
    else
        m_pCheckImages->Clear();
    if (!AddBitmapImages(*m_pCheckImages, normalId) || !AddBitmapImages(*m_pCheckImages, selectedId)) {
        m_pCheckImages.reset();
        return false;
    }
    return true;
}

bool BCMenu::LoadToolbar(unsigned toolbarId, ToolbarResource& out)
{
    out = ToolbarResource();
    std::vector<uint8_t> b;
    if (!menu_detail::LoadResource("TOOLBAR", toolbarId, b) || b.size() < 8 || ReadLE(b, 0, 2) != 1)
        return false;
    out.width = int(ReadLE(b, 2, 2));
    out.height = int(ReadLE(b, 4, 2));
    const size_t count = ReadLE(b, 6, 2);
    if (b.size() < 8 + 2 * count)
        return false;
    for (size_t i = 0; i < count; ++i)
        out.commands.push_back(ReadLE(b, 8 + 2 * i, 2));
    return true;
}

bool BCMenu::FindToolbarImage(unsigned id, unsigned toolbarId, int& index)
{
    ToolbarResource tb;
    if (!LoadToolbar(toolbarId, tb))
        return false;
    const int image = tb.ImageOf(id);
    if (image > 0)
        index = image;
    return image >= 0;
}

bool BCMenu::LoadToolbarImages(unsigned toolbarId)
{
    ToolbarResource tb;
    MenuBitmap bitmap;
    if (!LoadToolbar(toolbarId, tb) || !LoadBitmapResource(toolbarId, bitmap))
        return false;
    MenuImageList list(s_nImageWidth, s_nImageHeight);
    if (DibColorCount(bitmap.colorTable, bitmap.bitCount) == 16)
        LoadSysColorBitmap(int(toolbarId), bitmap);
    if (list.AddMasked(bitmap, TransparentColour()) < 0)
        return false;
    for (unsigned c : tb.commands)
        if (c != 0 && sysmenu::GetMenuState(m_hMenu, c, MF_BYCOMMAND) != -1)
            ChangeOwnerDrawItemFromList(nullptr, c, &list, tb.ImageOf(c));
    return true;
}

bool BCMenu::LoadToolbarsImages(const std::vector<unsigned>& toolbarIds)
{
    bool all = true;
    for (unsigned id : toolbarIds)
        all = LoadToolbarImages(id) && all;
    return all;
}

bool BCMenu::TakeToolbarImages(const ToolbarResource& toolbar, int bitmapId)
{
    for (unsigned c : toolbar.commands) {
        if (c == 0 || sysmenu::GetMenuState(m_hMenu, c, MF_BYCOMMAND) == -1)
            continue;
        BCMenuEntry* e = FindEntryById(c);
        if (!e) {
            auto entry = std::make_unique<BCMenuEntry>();
            entry->id = c;
            e = entry.get();
            m_entries.push_back(std::move(entry));
        }
        e->images = std::make_unique<MenuImageList>(s_nImageWidth, s_nImageHeight);
        if (AddBitmapImages(*e->images, bitmapId)) {
            e->imageIndex = toolbar.ImageOf(c);
            e->imageOffset = 0;
        } else {
            e->images.reset();
        }
        e->flags = MF_OWNERDRAW;
        sysmenu::ModifyMenu(m_hMenu, c, MF_BYCOMMAND | MF_OWNERDRAW, c, L"", reinterpret_cast<uintptr_t>(e));
    }
    return true;
}
