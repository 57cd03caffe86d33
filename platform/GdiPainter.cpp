#include "platform/GdiPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform {

namespace {

QColor ToQColor(ColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

Qt::PenStyle ToQtStyle(PenStyle style)
{
    switch (style) {
    case PenStyle::Dash:
        return Qt::DashLine;
    case PenStyle::Dot:
        return Qt::DotLine;
    case PenStyle::Null:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
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

} // namespace

GdiPainter::GdiPainter(QPainter& painter) : m_painter(&painter)
{
    ApplyPen();
    ApplyBrush();
}

GdiPainter::GdiPainter(QImage& image)
{
    if (!image.isNull()) {
        m_owned = std::make_unique<QPainter>(&image);
        m_painter = m_owned.get();
        ApplyPen();
        ApplyBrush();
    }
}

GdiPainter::~GdiPainter() = default;

bool GdiPainter::IsActive() const { return m_painter && m_painter->isActive(); }

void GdiPainter::SetPen(PenStyle style, int width, ColorRef colour)
{
    m_penStyle = style;
    m_penWidth = width < 1 ? 1 : width;
    m_penColour = colour;
    ApplyPen();
}

void GdiPainter::SetBrush(ColorRef colour)
{
    m_brush = true;
    m_brushColour = colour;
    ApplyBrush();
}

void GdiPainter::SetNullBrush()
{
    m_brush = false;
    ApplyBrush();
}

void GdiPainter::SetFont(const GlyphFont& font)
{
    if (!IsActive())
        return;
    QFont f(QString::fromStdString(font.face));
    if (font.height != 0) {
        f.setPixelSize(std::abs(font.height));
        if (font.height > 0) { // a cell height: ascent and descent together
            const int cell = QFontMetrics(f).height();
            if (cell > 0)
                f.setPixelSize(std::max(1, int(std::lround(double(font.height) * font.height / cell))));
        }
    }
    f.setWeight(QFont::Weight(font.weight > 0 ? font.weight : 400));
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStyleStrategy(QFont::NoAntialias);
    m_painter->setFont(f);
}

void GdiPainter::ApplyPen()
{
    if (!IsActive())
        return;
    QPen pen(ToQColor(m_penColour));
    pen.setStyle(ToQtStyle(m_penStyle));
    pen.setWidth(m_penWidth);
    m_painter->setPen(pen);
    m_painter->setRenderHint(QPainter::Antialiasing, false);
}

void GdiPainter::ApplyBrush()
{
    if (!IsActive())
        return;
    m_painter->setBrush(m_brush ? QBrush(ToQColor(m_brushColour)) : QBrush(Qt::NoBrush));
}

bool GdiPainter::MoveToEx(int x, int y, GdiPoint* previous)
{
    if (previous)
        *previous = m_position;
    m_position = {x, y};
    return IsActive();
}

// One-pixel solid line by Bresenham's steps, leaving out the end pixel. Only the
// part over the device is stepped.
void GdiPainter::ThinLine(int x0, int y0, int x1, int y1)
{
    const QPaintDevice* device = m_painter->device();
    if (!m_painter->transform().isIdentity() || !device) {
        m_painter->drawLine(x0, y0, x1, y1);
        return;
    }
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
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    m_painter->setPen(QPen(ToQColor(m_penColour), 1));
    while (x0 != x1 || y0 != y1) {
        m_painter->drawPoint(x0, y0);
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
    ApplyPen();
}

bool GdiPainter::LineTo(int x, int y)
{
    const GdiPoint from = m_position;
    m_position = {x, y};
    if (!IsActive())
        return false;
    if (m_penStyle == PenStyle::Null)
        return true;
    if (m_penStyle == PenStyle::Solid && m_penWidth == 1)
        ThinLine(from.x, from.y, x, y);
    else
        m_painter->drawLine(from.x, from.y, x, y);
    return true;
}

bool GdiPainter::Polyline(const GdiPoint* points, int count)
{
    if (!IsActive() || !points || count < 2)
        return false;
    const GdiPoint saved = m_position;
    MoveToEx(points[0].x, points[0].y);
    for (int i = 1; i < count; ++i)
        LineTo(points[i].x, points[i].y);
    m_position = saved;
    return true;
}

bool GdiPainter::Rectangle(int left, int top, int right, int bottom)
{
    if (!IsActive())
        return false;
    if (right - left < 2 || bottom - top < 2)
        return true;
    // an aliased one-pixel outline of QRect(x, y, w, h) covers x..x+w
    m_painter->drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
    return true;
}

bool GdiPainter::Ellipse(int left, int top, int right, int bottom)
{
    if (!IsActive())
        return false;
    if (right - left < 2 || bottom - top < 2)
        return true;
    m_painter->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
    return true;
}

bool GdiPainter::FillRect(const GdiRect& rect, ColorRef colour)
{
    if (!IsActive())
        return false;
    if (rect.right > rect.left && rect.bottom > rect.top)
        m_painter->fillRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top),
                            ToQColor(colour));
    return true;
}

GdiPoint GdiPainter::TextExtent(const char* text, int count) const
{
    if (!IsActive() || !text || count <= 0)
        return {};
    const QFontMetrics metrics(m_painter->font());
    return {metrics.horizontalAdvance(QString::fromLatin1(text, count)), metrics.height()};
}

bool GdiPainter::TextOut(int x, int y, const char* text, int count)
{
    if (!IsActive() || !text || count < 0)
        return false;
    const QString s = QString::fromLatin1(text, count);
    const QFontMetrics metrics(m_painter->font());
    if (m_bkMode == BkMode::Opaque) {
        const GdiPoint size = TextExtent(text, count);
        FillRect({x, y, x + size.x, y + size.y}, m_bkColour);
    }
    m_painter->setPen(ToQColor(m_textColour));
    m_painter->drawText(x, y + metrics.ascent(), s);
    ApplyPen();
    return true;
}

} // namespace platform
