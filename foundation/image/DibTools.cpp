// Image buffer tools: drawing onto other surfaces, rotation, brightness, alpha,
// direct BMP reading and header building.
#include "foundation/image/Dib.h"

#include "foundation/core/Versions.h"
#include "foundation/image/DibDraw.h"
#include "foundation/image/Jpeg.h"
#include "platform/Paths.h"

#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <climits>
#include <cstring>

QImage PictureOfBits(const BitmapInfoHeader& h, const void* bits, int sourceWidth, int sourceHeight)
{
    if (!bits || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT_MIN)
        return {};
    QImage::Format format = h.biBitCount == 8    ? QImage::Format_Grayscale8
                            : h.biBitCount == 24 ? QImage::Format_BGR888
                            : h.biBitCount == 32 ? QImage::Format_RGB32
                                                 : QImage::Format_Invalid;
    if (format == QImage::Format_Invalid)
        return {};
    const int w = sourceWidth > 0 ? sourceWidth : h.biWidth;
    const int rows = sourceHeight > 0 ? sourceHeight : std::abs(h.biHeight);
    QImage view(static_cast<const uchar*>(bits), w, rows, qsizetype(w) * (h.biBitCount / 8), format);
    return h.biHeight > 0 ? view.mirrored(false, true) : view;
}

void StretchImage(QImage& target, const QImage& source)
{
    if (target.isNull() || source.isNull())
        return;
    QPainter p(&target);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QRect(0, 0, target.width(), target.height()), source);
}

void ColourRamp(double* red, double* green, double* blue, double value, double max)
{
    double r = 1, g = 1, b = 1;
    if (max > 0) {
        const double v = std::clamp(value, 0.0, max);
        if (v < max / 4) {
            r = 0;
            g = 4 * v / max;
        } else if (v < max / 2) {
            r = 0;
            b = 1 - 4 * (v - max / 4) / max;
        } else if (v < 3 * max / 4) {
            b = 0;
            r = 4 * (v - max / 2) / max;
        } else {
            b = 0;
            g = 1 - 4 * (v - 3 * max / 4) / max;
        }
    }
    if (red)
        *red = std::clamp(r, 0.0, 1.0);
    if (green)
        *green = std::clamp(g, 0.0, 1.0);
    if (blue)
        *blue = std::clamp(b, 0.0, 1.0);
}

int64_t CDib::GetImageSize() const { return int64_t(m_allocBpp / 8) * m_allocHeight * m_allocWidth; }

bool CDib::FlipVertical()
{
    if (!m_bits || m_allocWidth <= 0)
        return false;
    return FlipRows(m_bits, unsigned(m_allocBpp / 8 * m_allocWidth), unsigned(m_allocHeight)) != 0;
}

bool CDib::LoadBmp(const char* name)
{
    const std::string used = name && *name ? std::string(name) : m_name;
    const std::string path = platform::ResolvePath(used);
    const int64_t size = used.empty() ? -1 : platform::FileSize(path);
    if (size <= 0) {
        FillBlack();
        return CVersions::Print(true, "warning: Dib:Load %s dont exists\n", used.c_str());
    }
    std::vector<uint8_t> file;
    if (size > (int64_t(1) << 30) || !platform::ReadWholeFile(path, file))
        return CVersions::Print(false, "error: Dib:Load %s cant open file\n", used.c_str());
    PictureView view;
    std::vector<uint8_t> scratch;
    if (ParseBmp(file.data(), file.size(), view, scratch) != BmpParse::Ok)
        return CVersions::Print(false, "error: Dib:Load %s is no BMP this reader takes\n", used.c_str());
    const std::string keep = used;
    if (!FromPicture(view, false))
        return false;
    m_name = keep;
    return true;
}

bool CDib::RotateBits(const void* bits)
{
    if (!bits || !m_header || !m_surface)
        return false;
    const QImage source = PictureOfBits(m_header->bmiHeader, bits).copy();
    if (source.isNull())
        return false;
    QPainter p(m_surface.get());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, source.transformed(QTransform().rotate(-90)));
    return true;
}

bool CDib::RotateFrom(CDib* other)
{
    if (!other || !other->m_surface || !m_surface)
        return false;
    const QImage source = other->m_surface->copy();
    QPainter p(m_surface.get());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, source.transformed(QTransform().rotate(-90)));
    return true;
}

void CDib::SetAlpha(int value)
{
    if (!m_header || !m_bits || m_header->bmiHeader.biBitCount != 32)
        return;
    const int64_t n = int64_t(m_header->bmiHeader.biWidth) * std::abs(m_header->bmiHeader.biHeight);
    for (int64_t i = 0; i < n; ++i)
        m_bits[i * 4 + 3] = uint8_t(value);
}

bool CDib::InvertAroundMean(uint8_t* bits, int offset)
{
    if (!m_bits || !m_header)
        return true;
    uint8_t* src = bits ? bits : m_bits;
    const int B = m_allocBpp / 8;
    const uint16_t w = uint16_t(m_allocWidth), h = uint16_t(m_allocHeight);
    const int64_t n = int64_t(w) * h;
    if (n == 0)
        return true;
    int64_t sum = 0;
    for (int64_t i = 0; i < n; ++i)
        sum += src[i * B];
    const int64_t mean = sum / n;
    for (int64_t i = 0; i < n; ++i) {
        uint8_t* p = src + i * B;
        if (B == 1) {
            m_bits[i] = uint8_t(std::clamp<int64_t>(mean + offset - p[0], 0, 255));
        } else {
            const uint8_t g = uint8_t(std::clamp<int64_t>(mean + offset - (p[0] + p[1] + p[2]) / 3, 0, 255));
            p[0] = p[1] = p[2] = g;
        }
    }
    return true;
}

bool CDib::CopyBitmap(ImageBitmap bitmap) { return bitmap ? FromBitmap(bitmap, false) : false; }

bool CDib::SaveBitmap(ImageBitmap bitmap, const char* name)
{
    if (!bitmap || bitmap->isNull() || !bitmap->constBits())
        return false;
    int bits = 0;
    switch (bitmap->format()) {
    case QImage::Format_Grayscale8:
        bits = 8;
        break;
    case QImage::Format_BGR888:
        bits = 24;
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        bits = 32;
        break;
    default:
        return false;
    }
    const uint64_t pixels = uint64_t(bitmap->width()) * uint64_t(bitmap->height());
    if (pixels > kMaxJpegPixels)
        return CVersions::Print(false, "error: Dib:SaveBitmap %s: %dx%d is above the picture size limit\n",
                                name ? name : "", bitmap->width(), bitmap->height());
    auto header = std::make_unique<BitmapInfo>();
    BitmapInfoHeader& h = header->bmiHeader;
    h.biWidth = bitmap->width();
    h.biHeight = -bitmap->height();  // the surface's rows run top to bottom
    h.biBitCount = uint16_t(bits);
    h.biSizeImage = uint32_t(uint64_t(bits / 8) * pixels);
    h.biClrUsed = bits == 8 ? 256 : 0;
    for (int i = 0; bits == 8 && i < 256; ++i)
        header->bmiColors[i] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    // rows of the surface may be padded: hand over unpadded rows
    std::vector<uint8_t> rows(size_t(h.biSizeImage));
    const size_t row = size_t(bits / 8) * size_t(bitmap->width());
    for (int y = 0; y < bitmap->height(); ++y)
        std::memcpy(rows.data() + row * size_t(y), bitmap->constScanLine(y), row);
    return SaveFile(name, header.get(), rows.data());
}

bool CDib::DrawBitsScaled(const void* bits, const BitmapInfo* header, int sourceWidth, int sourceHeight)
{
    if (!bits || !header || !m_surface)
        return false;
    const QImage source = PictureOfBits(header->bmiHeader, bits, sourceWidth, sourceHeight);
    if (source.isNull())
        return false;
    StretchImage(*m_surface, source);
    return true;
}

void CDib::SetPalette(const RgbQuad* entries)
{
    if (!entries || !m_header || m_header->bmiHeader.biBitCount != 8)
        return;
    std::memcpy(m_header->bmiColors, entries, sizeof(RgbQuad) * 256);
}

bool CDib::GetPictureSize(const char* name, int* width, int* height, int* bits)
{
    CDib picture;
    if (!picture.Load(name) || !picture.m_header)
        return false;
    if (width)
        *width = picture.GetWidth();
    if (height)
        *height = picture.GetHeight();
    if (bits)
        *bits = picture.GetBitCount();
    return true;
}

bool CDib::BuildBitmapInfo(std::unique_ptr<BitmapInfo>& out, int width, int height, int bits)
{
    if (width < 1 || height == 0 || height == INT_MIN || (bits != 8 && bits != 24 && bits != 32))
        return false;
    if (INT_MAX / (bits / 8) / std::abs(height) < width)
        return false;
    auto header = std::make_unique<BitmapInfo>();
    BitmapInfoHeader& h = header->bmiHeader;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = uint16_t(bits);
    h.biSizeImage = uint32_t(bits / 8) * uint32_t(std::abs(height)) * uint32_t(width);
    h.biClrUsed = bits == 8 ? 256 : 0;
    for (int i = 0; bits == 8 && i < 256; ++i)
        header->bmiColors[i] = RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
    out = std::move(header);
    return true;
}

bool CDib::FreeBitmapInfo(std::unique_ptr<BitmapInfo>& header)
{
    header.reset();
    return false;
}

const uint8_t* CDib::GetJpegBuffer(int* count)
{
    if (count && *count == -1) {
        CopyToClipboard();
        return nullptr;
    }
    unsigned n = 0;
    const uint8_t* p = GetJpegBuffer(&n);
    if (count)
        *count = int(n);
    return p;
}

namespace {
QRect RectOf(const ImageRect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

int FillRectBlack(ImageDC dc, const ImageRect& r)
{
    QPainter p(dc);
    p.fillRect(RectOf(r), Qt::black);
    return 0;
}
} // namespace

int CDib::StretchToDC(ImageDC dc, const void* bits, const ImageRect& dest, bool fillBlack)
{
    if (!dc || dc->isNull())
        return 0;
    const QImage source = m_header ? PictureOfBits(m_header->bmiHeader, bits) : QImage();
    if (source.isNull())
        return fillBlack ? FillRectBlack(dc, dest) : 0;
    QPainter p(dc);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(RectOf(dest), source);
    return 1;
}

int CDib::StretchToDC(ImageDC dc, const void* bits, int x, int y, int width, int height,
                      QPainter::CompositionMode mode)
{
    if (!dc || dc->isNull() || !m_header)
        return 0;
    const QImage source = PictureOfBits(m_header->bmiHeader, bits);
    if (source.isNull())
        return 0;
    QPainter p(dc);
    p.setCompositionMode(mode);
    p.drawImage(QRect(x, y, width, height), source);
    return 1;
}

int CDib::StretchToDC(ImageDC dc, const void* bits, const ImageRect& dest, const ImageRect& source, bool fillBlack)
{
    if (!dc || dc->isNull())
        return 0;
    const QImage picture = m_header ? PictureOfBits(m_header->bmiHeader, bits) : QImage();
    if (picture.isNull())
        return fillBlack ? FillRectBlack(dc, dest) : 0;
    ImageRect s = source;
    if (!s.left && !s.top && !s.right && !s.bottom)
        s = ImageRect{0, 0, picture.width(), picture.height()};
    QPainter p(dc);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(RectOf(dest), picture, RectOf(s));
    return 1;
}

int CDib::StretchToDC(ImageDC dc, int x, int y, int width, int height)
{
    if (!dc || dc->isNull() || !m_surface)
        return 0;
    QPainter p(dc);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QRect(x, y, width, height), *m_surface);
    return height;
}

int CDib::BitsToDC(ImageDC dc, const void* bits, const ImageRect& dest, int srcX, int srcY, int dstX, int dstY,
                   bool fillBlack)
{
    if (!dc || dc->isNull())
        return 0;
    if (!m_header)
        return fillBlack ? FillRectBlack(dc, dest) : 0;
    const QImage picture = PictureOfBits(m_header->bmiHeader, bits ? bits : m_bits);
    if (picture.isNull())
        return fillBlack ? FillRectBlack(dc, dest) : 0;
    QPainter p(dc);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(dest.left + dstX, dest.top + dstY), picture,
                QRect(dest.left + srcX, dest.top + srcY, dest.right - dest.left, dest.bottom - dest.top));
    return 1;
}

int CDib::BitsToDC(ImageDC dc, int x, int y, int width, int height)
{
    if (!dc || dc->isNull() || !m_surface)
        return 0;
    QPainter p(dc);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), *m_surface, QRect(x, y, width, height));
    return std::min(height, m_allocHeight);
}

bool CDib::DrawTransparent(ImageDC dc, int x, int y, int width, int height, ImageBitmap bitmap, int srcX, int srcY,
                           uint32_t keyColour, const PaletteHandle&)
{
    if (!dc || dc->isNull() || !bitmap || bitmap->isNull())
        return false;
    QImage colour = bitmap->copy(srcX, srcY, width, height).convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(int(keyColour & 0xFF), int((keyColour >> 8) & 0xFF), int((keyColour >> 16) & 0xFF));
    for (int r = 0; r < colour.height(); ++r) {
        auto* line = reinterpret_cast<QRgb*>(colour.scanLine(r));
        for (int c = 0; c < colour.width(); ++c)
            if ((line[c] & 0xFFFFFF) == (key & 0xFFFFFF))
                line[c] = 0;  // the key colour lets the destination show
    }
    QPainter p(dc);
    p.drawImage(x, y, colour);
    return true;
}
