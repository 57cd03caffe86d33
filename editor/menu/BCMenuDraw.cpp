// Owner-drawn menu: drawing items in the classic and the XP style.
#include "editor/menu/BCMenu.h"

#include <algorithm>

using platform::GdiCanvas;
using platform::GetSysColor;

namespace {

struct ItemImage {
    const MenuImageList* list = nullptr;
    int index = -1;
    bool copies = false;  // lightened, shadow and disabled copies follow the image
    explicit operator bool() const { return list != nullptr; }
    const MenuImage* Get(int offset = 0) const { return list->Get(index + offset); }
};

ItemImage ImageOf(const BCMenuEntry& e)
{
    if (e.imageOffset == 0 && e.images && e.images->Get(e.imageIndex))
        return {e.images.get(), e.imageIndex, e.imageIndex == 0 && e.images->Count() >= 4};
    if (e.sharedImage >= 0 && BCMenu::s_sharedImages && BCMenu::s_sharedImages->Get(e.sharedImage))
        return {BCMenu::s_sharedImages.get(), e.sharedImage, BCMenu::HasEffectCopies(e.sharedImage)};
    return {};
}

void Blit(GdiCanvas& dc, int x, int y, const MenuImage* img)
{
    if (img)
        dc.DrawPixels(x, y, img->width, img->height, img->pixels.data(), img->mask.data());
}

void BlitBitmap(GdiCanvas& dc, int x, int y, const MenuBitmap& b)
{
    dc.DrawPixels(x, y, b.width, b.height, b.pixels.data(), nullptr);
}

// The item has a checked-state bitmap of its own: drawn as a radio dot.
bool RadioItem(const DRAWITEMSTRUCT& dis)
{
    const SysMenuItem* it = dis.hwndItem ? sysmenu::FindItem(dis.hwndItem, dis.itemID, MF_BYCOMMAND) : nullptr;
    return it && it->hbmpChecked;
}

struct TextParts {
    std::wstring label;
    std::wstring accel;
    bool tab = false;
};

TextParts Split(const std::wstring& text)
{
    TextParts p;
    const size_t first = text.find(L'\t');
    if (first == std::wstring::npos) {
        p.label = text;
        return p;
    }
    p.tab = true;
    p.label = text.substr(0, first);
    p.accel = text.substr(text.rfind(L'\t') + 1);
    return p;
}

void DrawLabelAndAccel(GdiCanvas& dc, const TextParts& t, const Rect& r, COLORREF colour)
{
    using namespace platform;
    dc.DrawText(t.label, r, DT_SINGLELINE | DT_VCENTER | DT_LEFT, colour);
    if (t.tab)
        dc.DrawText(t.accel, r, DT_SINGLELINE | DT_VCENTER | DT_RIGHT, colour);
}

} // namespace

void BCMenu::DrawCheckMark(GdiCanvas& dc, int x, int y, COLORREF colour, bool shortMark)
{
    const int s = shortMark ? 0 : 1;
    for (int i = 0; i < 3; ++i)
        dc.Line(x + i, y + i + 2, x + i, y + i + 4 + s, colour);
    for (int i = 0; i < 4; ++i)
        dc.Line(x + i + 3, y - i + 3, x + i + 3, y - i + 5 + s, colour);
}

void BCMenu::DrawRadioDot(GdiCanvas& dc, int left, int top, COLORREF colour)
{
    dc.Ellipse({left, top, left + 6, top + 6}, colour);
}

void BCMenu::DrawClassicCheck(GdiCanvas& dc, const Rect& r, bool selected, bool radio)
{
    const COLORREF bg = GetSysColor(IsXPThemeActive() ? platform::COLOR_BTNFACE : platform::COLOR_MENU);
    dc.FillRect(r, selected ? bg : Lighten(bg, 0.6));
    if (Has3DCheckEdges())
        dc.DrawEdge(r, platform::BDR_SUNKENOUTER, platform::BF_RECT);
    const COLORREF ink = GetSysColor(platform::COLOR_MENUTEXT);
    if (radio)
        DrawRadioDot(dc, r.left + 5, r.top + 4, ink);
    else
        DrawCheckMark(dc, r.left + 4, r.top + 4, ink, false);
}

void BCMenu::DrawXPCheck(GdiCanvas& dc, const Rect& r, bool radio, COLORREF colour, bool selected)
{
    dc.FillRect(r, Lighten(colour, selected ? 0.55 : 0.85));
    dc.FrameRect(r, colour);
    const int x = r.left + std::max(0, r.Width() / 2 - 3);
    const int y = r.top + std::max(0, r.Height() / 2 - 3);
    const COLORREF ink = GetSysColor(platform::COLOR_MENUTEXT);
    if (radio)
        DrawRadioDot(dc, x, y, ink);
    else
        DrawCheckMark(dc, x, y, ink, true);
}

void BCMenu::DrawDisabledDib(GdiCanvas& dc, int x, int y, const MenuBitmap& image, COLORREF colour)
{
    if (!image.IsValid())
        return;
    // dark pixels of the one-bit copy take the brush, light ones leave the target
    std::vector<uint8_t> light(image.pixels.size());
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const COLORREF c = image.pixels[i];
        light[i] = platform::GetR(c) + platform::GetG(c) + platform::GetB(c) > 382 ? 1 : 0;
    }
    dc.FillRect({x, y, x + image.width, y + image.height}, colour);
    const std::vector<COLORREF> hilite(image.pixels.size(), GetSysColor(platform::COLOR_BTNHIGHLIGHT));
    const std::vector<COLORREF> shadow(image.pixels.size(), GetSysColor(platform::COLOR_BTNSHADOW));
    dc.DrawPixels(x + 1, y + 1, image.width, image.height, hilite.data(), light.data());
    dc.DrawPixels(x, y, image.width, image.height, shadow.data(), light.data());
}

void BCMenu::DrawDisabledEmbossed(GdiCanvas& dc, int x, int y, MenuBitmap image, COLORREF colour)
{
    if (!image.IsValid())
        return;
    const COLORREF face = GetSysColor(platform::COLOR_BTNFACE);
    const COLORREF hilite = GetSysColor(platform::COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(platform::COLOR_BTNSHADOW);
    std::vector<uint8_t> dark(image.pixels.size());
    for (size_t i = 0; i < image.pixels.size(); ++i)
        dark[i] = image.pixels[i] != face && image.pixels[i] != hilite;
    std::fill(image.pixels.begin(), image.pixels.end(), colour);
    for (size_t i = 0; i < dark.size(); ++i)
        if (dark[i])
            image.pixels[i] = hilite;
    BlitBitmap(dc, x + 1, y + 1, image);
    for (int py = 0; py + 1 < image.height; ++py)
        for (int px = 0; px + 1 < image.width; ++px)
            if (dark[size_t(py) * size_t(image.width) + size_t(px)])
                image.At(px + 1, py + 1) = hilite;
    for (size_t i = 0; i < dark.size(); ++i)
        if (dark[i])
            image.pixels[i] = shadow;
    BlitBitmap(dc, x, y, image);
}

void BCMenu::DrawGreyedImage(GdiCanvas& dc, int x, int y, MenuBitmap image, COLORREF colour)
{
    DisabledImage(image, colour);
    BlitBitmap(dc, x, y, image);
}

void BCMenu::DrawItem(DRAWITEMSTRUCT& dis)
{
    if (!dis.dc || !dis.itemData)
        return;
    if (dis.paletteDevice || GetDrawStyle() != 1)
        DrawItemClassic(dis);
    else
        DrawItemXP(dis);
}

void BCMenu::DrawItemClassic(DRAWITEMSTRUCT& dis)
{
    using namespace platform;
    GdiCanvas& dc = *dis.dc;
    const auto& e = *reinterpret_cast<const BCMenuEntry*>(dis.itemData);
    const int W = s_nImageWidth, H = s_nImageHeight;
    Rect r = dis.rcItem;
    const COLORREF bg = GetSysColor(IsXPThemeActive() ? COLOR_BTNFACE : COLOR_MENU);
    const bool disabled = (dis.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const bool checked = (dis.itemState & ODS_CHECKED) != 0;
    bool selected = (dis.itemState & ODS_SELECTED) != 0;
    if (disabled && selected && !s_bSelectDisabled)
        selected = false;

    if (e.flags & MF_SEPARATOR) {
        dc.FillRect(r, bg);
        r.top = (r.top + r.bottom) / 2;
        dc.DrawEdge(r, EDGE_ETCHED, BF_TOP);
        return;
    }

    const ItemImage image = ImageOf(e);
    const bool checkImages = m_pCheckImages != nullptr;
    COLORREF textColour;
    if (selected) {
        Rect fill = r;
        if (image || checkImages || checked)
            fill.left = r.left + W + 5;
        dc.FillRect(fill, GetSysColor(COLOR_HIGHLIGHT));
        textColour = GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else {
        dc.FillRect(r, bg);
        dc.FrameRect(r, bg);
        textColour = GetSysColor(COLOR_MENUTEXT);
    }

    const int dy = std::max(0, (r.Height() - H - 4) / 2);
    if (image || checkImages) {
        const Rect inner{r.left + 1, r.top + dy + 1, r.left + W + 3, r.top + dy + H + 3};
        const Rect outer{r.left, r.top + dy, r.left + W + 4, r.top + dy + H + 4};
        const int ix = r.left + 2, iy = r.top + dy + 2;
        dc.FrameRect(inner, bg);
        if (checked && checkImages) {
            dc.FillRect(inner, bg);
            dc.FrameRect(outer, bg);
            Blit(dc, ix, iy, m_pCheckImages->Get(selected ? 1 : 0));
        } else if (disabled && image) {
            dc.FrameRect(outer, bg);
            MenuBitmap copy = ImageToBitmap(*image.list, image.index);
            if (m_bDibDisabled)
                DrawDisabledDib(dc, ix, iy, copy, bg);
            else if (s_bPlainBitmapImages)
                DrawGreyedImage(dc, ix, iy, copy, bg);
            else
                DrawDisabledEmbossed(dc, ix, iy, copy, bg);
        } else if (image) {
            const COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), sh = GetSysColor(COLOR_BTNSHADOW);
            if (selected) {
                dc.FillRect(inner, bg);
                if (Has3DCheckEdges())
                    dc.Draw3dRect(outer, checked ? sh : hi, checked ? hi : sh);
            } else if (checked) {
                dc.FillRect(inner, Lighten(bg, 0.6));
                if (Has3DCheckEdges())
                    dc.Draw3dRect(outer, sh, hi);
            } else {
                dc.FillRect(inner, bg);
                dc.FrameRect(outer, bg);
            }
            Blit(dc, ix, iy, image.Get());
        }
    }

    if (checked && !image && !checkImages) {
        const Rect box{r.left + 1, r.top + dy + 2, r.left + W + 1, r.top + dy + H + 2};
        DrawClassicCheck(dc, box, selected, RadioItem(dis));
    }

    const TextParts text = Split(e.text);
    Rect tr{r.left + W + 9, r.top - 1, r.right, r.bottom - 1};
    if (text.tab)
        tr.right -= W;
    if (disabled && selected) {
        DrawLabelAndAccel(dc, text, tr, bg);
    } else if (disabled) {
        DrawLabelAndAccel(dc, text, {tr.left + 1, tr.top + 1, tr.right + 1, tr.bottom + 1},
                          GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawLabelAndAccel(dc, text, tr, GetSysColor(COLOR_GRAYTEXT));
    } else {
        DrawLabelAndAccel(dc, text, tr, textColour);
    }
}

void BCMenu::DrawItemXP(DRAWITEMSTRUCT& dis)
{
    using namespace platform;
    GdiCanvas& dc = *dis.dc;
    const auto& e = *reinterpret_cast<const BCMenuEntry*>(dis.itemData);
    const int W = s_nImageWidth, H = s_nImageHeight;
    const int g = s_bXPImageEffects ? 7 : 4;
    const Rect r = dis.rcItem;
    const bool xpTheme = IsXPThemeActive();
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    auto reduce = [](int c) { return int(c - c * 0.02); };
    const COLORREF mb = MakeRGB(reduce(GetR(window)), reduce(GetG(window)), reduce(GetB(window)));
    const COLORREF cc = xpTheme ? GetSysColor(COLOR_BTNFACE) : Lighten(GetSysColor(COLOR_BTNFACE), 0.25);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF hl = Lighten(highlight, xpTheme ? 0.7 : 0.85);
    const bool disabled = (dis.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const bool checked = (dis.itemState & ODS_CHECKED) != 0;
    bool selected = (dis.itemState & ODS_SELECTED) != 0;
    if (disabled && selected && !s_bSelectDisabledXP)
        selected = false;
    const Rect column{r.left, r.top, r.left + W + g, r.bottom};

    if (e.flags & MF_SEPARATOR) {
        dc.FillRect(r, mb);
        dc.FillRect(column, cc);
        dc.FrameRect(column, cc);
        dc.DrawEdge({column.right + g, (r.top + r.bottom) / 2, r.right, r.bottom}, EDGE_ETCHED, BF_TOP);
        return;
    }

    if (selected) {
        dc.FillRect(r, hl);
        dc.FrameRect(r, highlight);
    } else {
        dc.FillRect(r, mb);
        dc.FillRect(column, cc);
        dc.FrameRect(r, mb);
        dc.FrameRect(column, cc);
    }

    const Rect box{r.left + 1, r.top + 1, r.left + W + g - 2, r.bottom - 1};
    const int ix = r.left + std::max(0, (g + 1) / 2);
    const int iy = r.top + std::max(0, (r.Height() - H + 1) / 2);
    const ItemImage image = ImageOf(e);
    const bool checkImages = m_pCheckImages != nullptr;
    if (checkImages && checked) {
        dc.FillRect(box, cc);
        Blit(dc, ix, iy, m_pCheckImages->Get(selected ? 1 : 0));
    } else if (image && !disabled) {
        if (selected && checked) {
            dc.FillRect(box, Lighten(highlight, 0.55));
            dc.FrameRect(box, highlight);
            Blit(dc, ix - 1, iy - 1, image.Get());
        } else if (selected) {
            dc.FillRect(box, hl);
            if (image.copies) {
                Blit(dc, ix + 1, iy + 1, image.Get(2));
                Blit(dc, ix - 1, iy - 1, image.Get());
            } else {
                Blit(dc, ix, iy, image.Get());
            }
        } else if (checked) {
            dc.FillRect(box, Lighten(highlight, 0.85));
            dc.FrameRect(box, highlight);
            Blit(dc, ix - 1, iy - 1, image.Get());
        } else {
            dc.FillRect(box, cc);
            dc.FrameRect(box, cc);
            Blit(dc, ix, iy, image.copies ? image.Get(1) : image.Get());
        }
    } else if (image) {
        if (image.copies) {
            Blit(dc, ix, iy, image.Get(3));
        } else {
            const COLORREF back = selected ? hl : cc;
            MenuBitmap copy = ImageToBitmap(*image.list, image.index);
            if (m_bDibDisabled)
                DrawDisabledDib(dc, ix, iy, copy, back);
            else
                DrawDisabledEmbossed(dc, ix, iy, copy, back);
        }
        if (selected)
            dc.FrameRect(r, highlight);
    }

    if (checked && !image && !checkImages)
        DrawXPCheck(dc, box, RadioItem(dis), highlight, selected);

    const TextParts text = Split(e.text);
    Rect tr{r.left + W + g + 8, r.top - 1, r.right, r.bottom - 1};
    if (text.tab)
        tr.right -= W;
    COLORREF colour = GetSysColor(COLOR_MENUTEXT);
    if (disabled) {
        colour = GetSysColor(COLOR_GRAYTEXT);
        if (!selected && !xpTheme)
            colour = Lighten(colour, 0.4);
    }
    DrawLabelAndAccel(dc, text, tr, colour);
}
