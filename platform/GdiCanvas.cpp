#include "platform/GdiCanvas.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform {
namespace {

QColor ToQColor(COLORREF c) { return QColor(GetR(c), GetG(c), GetB(c)); }

QString ToQString(std::wstring_view text)
{
    return QString::fromWCharArray(text.data(), qsizetype(text.size()));
}

int TextFlags(unsigned format)
{
    int flags = (format & DT_NOPREFIX) ? 0 : Qt::TextShowMnemonic;
    if (format & DT_SINGLELINE)
        flags |= Qt::TextSingleLine;
    if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else
        flags |= Qt::AlignLeft;
    if (format & DT_VCENTER)
        flags |= Qt::AlignVCenter;
    else if (format & DT_BOTTOM)
        flags |= Qt::AlignBottom;
    else
        flags |= Qt::AlignTop;
    return flags;
}

QFont MenuFont()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        return QApplication::font("QMenu");
    return QFont();
}

// Cuts the segment a-b to the box lo..hi (Liang-Barsky); false when nothing is left.
bool ClipSegment(double& ax, double& ay, double& bx, double& by, double lo, double hiX, double hiY)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - lo, hiX - ax, ay - lo, hiY - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const double sx = ax, sy = ay;
    ax = sx + t0 * dx;
    ay = sy + t0 * dy;
    bx = sx + t1 * dx;
    by = sy + t1 * dy;
    return true;
}

bool HaveGuiApp() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

} // namespace

GdiCanvas::GdiCanvas(QPainter& painter) : painter_(painter)
{
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

GdiCanvas::~GdiCanvas() { painter_.restore(); }

void GdiCanvas::FillRect(const Rect& r, COLORREF colour)
{
    if (!r.IsEmpty())
        painter_.fillRect(r.left, r.top, r.Width(), r.Height(), ToQColor(colour));
}

void GdiCanvas::FrameRect(const Rect& r, COLORREF colour)
{
    if (r.IsEmpty())
        return;
    FillRect({r.left, r.top, r.right, r.top + 1}, colour);
    FillRect({r.left, r.bottom - 1, r.right, r.bottom}, colour);
    FillRect({r.left, r.top, r.left + 1, r.bottom}, colour);
    FillRect({r.right - 1, r.top, r.right, r.bottom}, colour);
}

void GdiCanvas::Draw3dRect(const Rect& r, COLORREF topLeft, COLORREF bottomRight)
{
    if (r.IsEmpty())
        return;
    FillRect({r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    FillRect({r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    FillRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    FillRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

void GdiCanvas::DrawEdge(const Rect& rect, unsigned edge, unsigned sides)
{
    // outer border first, then the inner one a pixel further in
    struct Border {
        unsigned raised, sunken;
        COLORREF raisedTL, raisedBR, sunkenTL, sunkenBR;
    };
    const Border borders[2] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW),
         GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT)},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW),
         GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT)},
    };
    Rect r = rect;
    for (const Border& b : borders) {
        COLORREF tl, br;
        if (edge & b.raised) {
            tl = b.raisedTL;
            br = b.raisedBR;
        } else if (edge & b.sunken) {
            tl = b.sunkenTL;
            br = b.sunkenBR;
        } else {
            continue;
        }
        if (sides & BF_TOP)
            FillRect({r.left, r.top, r.right, r.top + 1}, tl);
        if (sides & BF_LEFT)
            FillRect({r.left, r.top, r.left + 1, r.bottom}, tl);
        if (sides & BF_BOTTOM)
            FillRect({r.left, r.bottom - 1, r.right, r.bottom}, br);
        if (sides & BF_RIGHT)
            FillRect({r.right - 1, r.top, r.right, r.bottom}, br);
        if (sides & BF_TOP)
            ++r.top;
        if (sides & BF_LEFT)
            ++r.left;
        if (sides & BF_BOTTOM)
            --r.bottom;
        if (sides & BF_RIGHT)
            --r.right;
    }
}

void GdiCanvas::Line(int x0, int y0, int x1, int y1, COLORREF colour)
{
    const QPaintDevice* device = painter_.device();
    if (device && painter_.transform().isIdentity()) {
        const int w = device->width(), h = device->height();
        if (x0 < -1 || y0 < -1 || x1 < -1 || y1 < -1 || x0 > w || x1 > w || y0 > h || y1 > h) {
            double ax = x0, ay = y0, bx = x1, by = y1;
            if (!ClipSegment(ax, ay, bx, by, -1.0, double(w), double(h)))
                return;
            // a cut end lies on the box's edge, outside the device
            x0 = int(std::lround(ax));
            y0 = int(std::lround(ay));
            x1 = int(std::lround(bx));
            y1 = int(std::lround(by));
        }
    }
    const QColor c = ToQColor(colour);
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        painter_.fillRect(x0, y0, 1, 1, c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

bool GdiCanvas::MoveToEx(int x, int y, GdiPoint* previous)
{
    if (previous)
        *previous = position_;
    position_ = {x, y};
    return painter_.isActive();
}

bool GdiCanvas::LineTo(int x, int y)
{
    const GdiPoint from = position_;
    position_ = {x, y};
    if (!painter_.isActive())
        return false;
    Line(from.x, from.y, x, y, pen_);
    return true;
}

void GdiCanvas::Ellipse(const Rect& r, COLORREF colour)
{
    if (r.IsEmpty())
        return;
    painter_.save();
    painter_.setPen(ToQColor(colour));
    painter_.setBrush(ToQColor(colour));
    painter_.drawEllipse(r.left, r.top, r.Width() - 1, r.Height() - 1);
    painter_.restore();
}

void GdiCanvas::SelectFont(const GdiFont& f)
{
    QFont font(f.face.empty() ? QFont().family() : ToQString(f.face));
    if (f.height != 0)
        font.setPixelSize(std::abs(f.height));
    font.setWeight(QFont::Weight(std::clamp(f.weight, 100, 900)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    painter_.setFont(font);
}

void GdiCanvas::DrawText(std::wstring_view text, const Rect& r, unsigned format, COLORREF colour)
{
    painter_.save();
    painter_.setPen(ToQColor(colour));
    painter_.drawText(QRect(r.left, r.top, r.Width(), r.Height()), TextFlags(format), ToQString(text));
    painter_.restore();
}

void GdiCanvas::DrawPixels(int x, int y, int width, int height, const COLORREF* pixels, const uint8_t* mask)
{
    if (width <= 0 || height <= 0 || !pixels)
        return;
    QImage img(width, height, QImage::Format_ARGB32);
    for (int row = 0; row < height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(row));
        for (int col = 0; col < width; ++col) {
            const size_t i = size_t(row) * size_t(width) + size_t(col);
            const COLORREF c = pixels[i];
            const bool clear = mask && mask[i];
            line[col] = clear ? qRgba(0, 0, 0, 0) : qRgb(GetR(c), GetG(c), GetB(c));
        }
    }
    painter_.drawImage(x, y, img);
}

int MenuTextWidth(std::wstring_view text)
{
    if (!HaveGuiApp())
        return int(text.size()) * 7;
    return QFontMetrics(MenuFont()).size(Qt::TextShowMnemonic | Qt::TextSingleLine, ToQString(text)).width();
}

int MenuBarHeight()
{
    if (!HaveGuiApp())
        return 20;
    return std::max(20, QFontMetrics(MenuFont()).height() + 4);
}

} // namespace platform
