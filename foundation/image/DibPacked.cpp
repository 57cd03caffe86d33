// Packed DIBs, palettes and the clipboard copy that rests on them.
#include "foundation/image/Dib.h"
#include "foundation/image/Jpeg.h"

#include "platform/Clipboard.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <algorithm>
#include <cstring>

namespace {

uint32_t Read32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

size_t PaddedRow(int width, int bits) { return ((size_t(width) * size_t(bits) + 31) / 32) * 4; }

int RoundDepth(int depth)
{
    if (depth <= 1)
        return 1;
    if (depth <= 4)
        return 4;
    if (depth <= 8)
        return 8;
    return 24;
}

QList<QRgb> DefaultTable(int bits, const QImage& image, const PaletteHandle& palette)
{
    QList<QRgb> table;
    const int count = 1 << bits;
    if (palette && !palette->entries.empty()) {
        for (int i = 0; i < count && size_t(i) < palette->entries.size(); ++i) {
            const RgbQuad& q = palette->entries[size_t(i)];
            table << qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
        return table;
    }
    if (bits == 1)
        return {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    if (bits == 4) {
        static const QRgb vga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                     0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
        for (QRgb c : vga)
            table << (c | 0xFF000000u);
        return table;
    }
    if (image.format() == QImage::Format_Grayscale8 || image.allGray()) {
        for (int i = 0; i < 256; ++i)
            table << qRgb(i, i, i);
        return table;
    }
    for (int i = 0; i < 256; ++i)  // 3-3-2 colour cube
        table << qRgb(((i >> 5) & 7) * 255 / 7, ((i >> 2) & 7) * 255 / 7, (i & 3) * 255 / 3);
    return table;
}

// Run-length rows of 8-bit (rle4 false) or 4-bit indices, ending with end-of-bitmap.
std::vector<uint8_t> EncodeRle(const QImage& indices, bool rle4)
{
    std::vector<uint8_t> out;
    const int w = indices.width(), h = indices.height();
    for (int y = h - 1; y >= 0; --y) {
        const uchar* row = indices.constScanLine(y);
        for (int x = 0; x < w;) {
            int n = 1;
            while (x + n < w && n < 255 && row[x + n] == row[x])
                ++n;
            out.push_back(uint8_t(n));
            out.push_back(rle4 ? uint8_t((row[x] & 15) << 4 | (row[x] & 15)) : row[x]);
            x += n;
        }
        out.push_back(0);
        out.push_back(y == 0 ? 1 : 0);
    }
    return out;
}

// Decodes RLE rows into bottom-up 8-bit indices; false on a damaged stream. Pixels
// past the width are dropped (the column stops there); past the last row decoding ends.
bool DecodeRle(const uint8_t* p, size_t size, bool rle4, int w, int h, std::vector<uint8_t>& out)
{
    out.assign(size_t(w) * size_t(h), 0);
    const int64_t width = w, height = h;
    int64_t x = 0, y = 0;
    size_t i = 0;
    auto put = [&](uint8_t v) { out[size_t(y) * size_t(w) + size_t(x++)] = v; };
    while (i + 1 < size) {
        if (y >= height)
            return true;
        const uint8_t n = p[i], v = p[i + 1];
        i += 2;
        if (n > 0) {
            for (int k = 0; k < n && x < width; ++k)
                put(rle4 ? uint8_t(k % 2 ? v & 15 : v >> 4) : v);
        } else if (v == 0) {
            x = 0;
            ++y;
        } else if (v == 1) {
            return true;
        } else if (v == 2) {
            if (i + 1 >= size)
                return false;
            x = std::min<int64_t>(x + p[i], width);
            y += p[i + 1];
            i += 2;
        } else {
            const size_t bytes = rle4 ? (size_t(v) + 1) / 2 : size_t(v);
            if (i + bytes > size)
                return false;
            for (int k = 0; k < v && x < width; ++k)
                put(rle4 ? uint8_t(k % 2 ? p[i + size_t(k) / 2] & 15 : p[i + size_t(k) / 2] >> 4) : p[i + size_t(k)]);
            i += (bytes + 1) & ~size_t(1);
        }
    }
    return y >= height - 1;
}

PackedDib BuildDib(const QImage& source, int bits, uint32_t compression, const PaletteHandle& palette)
{
    if (source.isNull())
        return {};
    const int w = source.width(), h = source.height();
    BitmapInfoHeader hd;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biBitCount = uint16_t(bits);
    hd.biCompression = compression;
    std::vector<uint8_t> rows;
    QList<QRgb> table;
    if (bits == 24) {
        const QImage bgr = source.convertToFormat(QImage::Format_BGR888);
        const size_t row = PaddedRow(w, 24);
        rows.assign(row * size_t(h), 0);
        for (int y = 0; y < h; ++y)
            std::memcpy(rows.data() + row * size_t(h - 1 - y), bgr.constScanLine(y), size_t(w) * 3);
    } else {
        table = DefaultTable(bits, source, palette);
        const QImage idx = source.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither | Qt::AvoidDither);
        if (idx.isNull())
            return {};
        if (compression != kBiRgb) {
            rows = EncodeRle(idx, compression == kBiRle4);
        } else {
            const size_t row = PaddedRow(w, bits);
            rows.assign(row * size_t(h), 0);
            for (int y = 0; y < h; ++y) {
                const uchar* s = idx.constScanLine(y);
                uint8_t* d = rows.data() + row * size_t(h - 1 - y);
                for (int x = 0; x < w; ++x) {
                    if (bits == 8)
                        d[x] = s[x];
                    else if (bits == 4)
                        d[x / 2] |= uint8_t((s[x] & 15) << (x % 2 ? 0 : 4));
                    else if (s[x] & 1)
                        d[x / 8] |= uint8_t(0x80 >> (x % 8));
                }
            }
        }
    }
    hd.biSizeImage = uint32_t(rows.size());
    const size_t colours = bits <= 8 ? size_t(1) << bits : 0;
    PackedDib dib(40 + colours * 4 + rows.size(), 0);
    std::memcpy(dib.data(), &hd, 40);
    for (size_t i = 0; i < colours && i < size_t(table.size()); ++i) {
        const QRgb c = table[qsizetype(i)];
        uint8_t* e = dib.data() + 40 + i * 4;
        e[0] = uint8_t(qBlue(c));
        e[1] = uint8_t(qGreen(c));
        e[2] = uint8_t(qRed(c));
    }
    std::memcpy(dib.data() + 40 + colours * 4, rows.data(), rows.size());
    return dib;
}

bool DibHeaderFits(const PackedDib& dib)
{
    if (dib.size() < 12)
        return false;
    const uint32_t size = Read32(dib.data());
    return (size == 12 || (size >= 40 && size <= dib.size())) && CDib::DibPaletteSize(dib.data()) + size <= dib.size();
}

} // namespace

unsigned CDib::DibNumColours(const uint8_t* dib)
{
    if (!dib)
        return 0;
    const bool core = Read32(dib) == 12;
    const int bits = core ? Read16(dib + 10) : Read16(dib + 14);
    if (!core) {
        const uint32_t used = Read32(dib + 32);
        if (used)
            return std::min<uint32_t>(used, 256);
    }
    return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
}

unsigned CDib::DibPaletteSize(const uint8_t* dib)
{
    if (!dib)
        return 0;
    return DibNumColours(dib) * (Read32(dib) == 12 ? 3 : 4);
}

int CDib::DibWidth(const uint8_t* dib)
{
    if (!dib)
        return 0;
    return Read32(dib) == 12 ? Read16(dib + 4) : int32_t(Read32(dib + 4));
}

int CDib::DibHeight(const uint8_t* dib)
{
    if (!dib)
        return 0;
    return Read32(dib) == 12 ? int16_t(Read16(dib + 6)) : int32_t(Read32(dib + 8));
}

const uint8_t* CDib::DibBits(const uint8_t* dib) { return dib ? dib + Read32(dib) + DibPaletteSize(dib) : nullptr; }

PackedDib CDib::AllocDibHeader(int width, int height, int bitCount)
{
    // 32-bit pictures are carried at 24 bits, as the clipboard copy sends them
    const int bits = RoundDepth(bitCount);
    if (width < 1 || height == 0 || PaddedRow(width, bits) > (size_t(1) << 31) / size_t(std::abs(int64_t(height))))
        return {};
    const size_t colours = bits <= 8 ? size_t(1) << bits : 0;
    PackedDib dib(40 + colours * 4 + PaddedRow(width, bits) * size_t(std::abs(height)), 0);
    BitmapInfoHeader hd;
    hd.biWidth = width;
    hd.biHeight = height;
    hd.biBitCount = uint16_t(bits);
    std::memcpy(dib.data(), &hd, 40);
    return dib;
}

PackedDib CDib::AllocDibForBitmap(const BitmapInfoHeader& header, ImageBitmap bitmap)
{
    if (!bitmap || bitmap->isNull())
        return {};
    BitmapInfoHeader hd = header;
    hd.biSize = 40;
    const int bits = hd.biBitCount ? hd.biBitCount : RoundDepth(bitmap->depth());
    if (hd.biWidth < 1 || hd.biHeight == 0 || bits > 32 || hd.biClrUsed > 256 ||
        PaddedRow(hd.biWidth, bits) > (size_t(1) << 31) / size_t(std::abs(int64_t(hd.biHeight))))
        return {};
    if (hd.biSizeImage == 0)
        hd.biSizeImage = uint32_t(PaddedRow(hd.biWidth, bits) * size_t(std::abs(hd.biHeight)));
    const size_t colours = hd.biClrUsed ? hd.biClrUsed : (bits <= 8 ? size_t(1) << bits : 0);
    PackedDib dib(40 + colours * 4 + hd.biSizeImage, 0);
    std::memcpy(dib.data(), &hd, 40);
    return dib;
}

PackedDib CDib::BitmapToDib(ImageBitmap bitmap, const PaletteHandle& palette)
{
    if (!bitmap || bitmap->isNull())
        return {};
    int depth = bitmap->depth();
    if (bitmap->format() == QImage::Format_BGR888 || bitmap->format() == QImage::Format_RGB888)
        depth = 24;
    return BuildDib(*bitmap, RoundDepth(depth), kBiRgb, palette);
}

PackedDib CDib::BitmapToDibEx(ImageBitmap bitmap, int bitCount, uint32_t compression, const PaletteHandle& palette)
{
    if (!bitmap || bitmap->isNull())
        return {};
    int bits = 0;
    if (compression == kBiRgb && (bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24))
        bits = bitCount;
    else if (compression == kBiRle4 && (bitCount == 0 || bitCount == 4))
        bits = 4;
    else if (compression == kBiRle8 && (bitCount == 0 || bitCount == 8))
        bits = 8;
    if (!bits)
        return {};
    return BuildDib(*bitmap, bits, compression, palette);
}

std::unique_ptr<QImage> CDib::DibToBitmap(const PackedDib& dib, const PaletteHandle& palette)
{
    if (!DibHeaderFits(dib))
        return nullptr;
    const uint8_t* p = dib.data();
    const bool core = Read32(p) == 12;
    const int w = DibWidth(p), hSigned = DibHeight(p);
    const int bits = core ? Read16(p + 10) : Read16(p + 14);
    const uint32_t compression = core ? kBiRgb : Read32(p + 16);
    if (w < 1 || hSigned == 0 || w > 65536 || std::abs(int64_t(hSigned)) > 65536)
        return nullptr;
    const int h = std::abs(hSigned);
    const bool bottomUp = hSigned > 0;
    const uint8_t* bitsStart = DibBits(p);
    const size_t avail = dib.size() - size_t(bitsStart - p);

    QList<QRgb> table;
    const unsigned colours = DibNumColours(p);
    const unsigned entry = core ? 3 : 4;
    for (unsigned i = 0; i < colours; ++i) {
        const uint8_t* e = p + Read32(p) + i * entry;
        table << qRgb(e[2], e[1], e[0]);
    }
    if (palette && bits <= 8) {
        table.clear();
        for (const RgbQuad& q : palette->entries)
            table << qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }

    std::vector<uint8_t> rle;
    const uint8_t* rows = bitsStart;
    size_t row = PaddedRow(w, bits);
    if (compression == kBiRle8 || compression == kBiRle4) {
        // an end-of-bitmap code validly ends any size: cap it before allocating
        if (bits != (compression == kBiRle4 ? 4 : 8) || uint64_t(w) * uint64_t(h) > kMaxJpegPixels)
            return nullptr;
        if (!DecodeRle(bitsStart, avail, compression == kBiRle4, w, h, rle))
            return nullptr;
        rows = rle.data();
        row = size_t(w);
    } else if (compression != kBiRgb || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) ||
               row * size_t(h) > avail) {
        return nullptr;
    }
    const bool indexed = bits <= 8;
    auto image = std::make_unique<QImage>(w, h, indexed ? QImage::Format_Indexed8
                                                        : bits == 24 ? QImage::Format_BGR888 : QImage::Format_RGB32);
    if (image->isNull())
        return nullptr;
    if (indexed) {
        while (table.size() < (1 << (rle.empty() ? bits : 8)))
            table << qRgb(0, 0, 0);
        image->setColorTable(table);
    }
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = rows + row * size_t(bottomUp ? h - 1 - y : y);
        uchar* d = image->scanLine(y);
        if (!indexed || !rle.empty() || bits == 8) {
            std::memcpy(d, s, size_t(w) * size_t(indexed ? 1 : bits / 8));
        } else {
            for (int x = 0; x < w; ++x)
                d[x] = bits == 4 ? uint8_t(x % 2 ? s[x / 2] & 15 : s[x / 2] >> 4) : uint8_t((s[x / 8] >> (7 - x % 8)) & 1);
        }
    }
    return image;
}

PackedDib CDib::ConvertDib(const PackedDib& dib, int bitCount, uint32_t compression)
{
    const PaletteHandle palette = CreateDibPalette(dib);
    std::unique_ptr<QImage> bitmap = DibToBitmap(dib);
    if (!bitmap)
        return {};
    return BitmapToDibEx(bitmap.get(), bitCount, compression, palette);
}

PaletteHandle CDib::CreateDibPalette(const PackedDib& dib)
{
    if (!DibHeaderFits(dib))
        return nullptr;
    const unsigned colours = DibNumColours(dib.data());
    if (colours == 0)
        return nullptr;
    auto palette = std::make_shared<LogPalette>();
    const unsigned entry = Read32(dib.data()) == 12 ? 3 : 4;
    for (unsigned i = 0; i < colours; ++i) {
        const uint8_t* e = dib.data() + Read32(dib.data()) + i * entry;
        palette->entries.push_back(RgbQuad{e[0], e[1], e[2], 0});
    }
    return palette;
}

int CDib::GetDeviceColourCount(ImageDC dc)
{
    int depth = dc && !dc->isNull() ? dc->depth() : 24;
    if (!dc) {
        if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            if (QScreen* screen = app->primaryScreen())
                depth = screen->depth();
    }
    return 1 << std::clamp(depth, 1, 24);
}

PaletteHandle CDib::CreateSystemPalette()
{
    static PaletteHandle s_system;  // the process-wide handle
    const int count = std::min(GetDeviceColourCount(nullptr), 256);
    auto palette = std::make_shared<LogPalette>();
    const QImage none;
    const QList<QRgb> table = DefaultTable(count >= 256 ? 8 : count >= 16 ? 4 : 1, none, nullptr);
    for (QRgb c : table)
        palette->entries.push_back(RgbQuad{uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c)), 0});
    s_system = palette;
    return s_system;
}

bool CDib::CopyToClipboard()
{
    if (!GetBitmap())
        return false;
    const PackedDib dib = BitmapToDib(GetBitmap());
    if (dib.empty())
        return false;
    std::unique_ptr<QImage> image = DibToBitmap(dib);
    return image && platform::SetClipboardImage(image->format() == QImage::Format_Indexed8
                                                    ? image->convertToFormat(QImage::Format_Grayscale8)
                                                    : *image);
}

bool CDib::PasteFromClipboard()
{
    QImage image;
    if (!platform::GetClipboardImage(image))
        return false;
    return FromBitmap(&image, false);
}
