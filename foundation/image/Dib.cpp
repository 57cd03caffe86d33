#include "foundation/image/Dib.h"

#include "foundation/core/Versions.h"
#include "foundation/image/Jpeg.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Picture files above this size are not read into memory.
constexpr int64_t kMaxPictureFile = int64_t(1) << 30;

QImage::Format SurfaceFormat(int bitCount)
{
    switch (bitCount) {
    case 8:
        return QImage::Format_Grayscale8;
    case 24:
        return QImage::Format_BGR888;
    case 32:
        return QImage::Format_RGB32;  // blue, green, red, fourth byte in memory
    default:
        return QImage::Format_Invalid;
    }
}

PictureView ViewOf(const QImage& image, int bitCount)
{
    PictureView v;
    v.width = image.width();
    v.height = image.height();
    v.bitCount = bitCount;
    v.firstRow = image.constBits();
    v.stride = ptrdiff_t(image.bytesPerLine());
    return v;
}

// Rows of bits described by a header, the picture's top row first.
PictureView ViewOf(const BitmapInfoHeader& h, const void* bits)
{
    PictureView v;
    if (!bits || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT_MIN)
        return v;
    v.width = h.biWidth;
    v.height = std::abs(h.biHeight);
    v.bitCount = h.biBitCount;
    const ptrdiff_t row = ptrdiff_t(v.width) * (h.biBitCount / 8);
    const uint8_t* p = static_cast<const uint8_t*>(bits);
    if (h.biHeight > 0) {  // bottom-up
        v.firstRow = p + row * (v.height - 1);
        v.stride = -row;
    } else {
        v.firstRow = p;
        v.stride = row;
    }
    return v;
}

// The depth a decoded picture keeps: grey stays 8 bits, colour palettes become
// 24 bits, 32-bit files and pictures with alpha stay 32, everything else 24.
QImage ToStoredDepth(const QImage& img, bool source32, int& bitCount)
{
    if (img.colorCount() > 0) {  // palette formats
        bool grey = true;
        for (QRgb c : img.colorTable())
            grey = grey && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && qAlpha(c) == 255;
        if (grey) {
            bitCount = 8;
            return img.convertToFormat(QImage::Format_Grayscale8);
        }
        bitCount = 24;
        return img.convertToFormat(QImage::Format_BGR888);
    }
    if (img.format() == QImage::Format_Grayscale8 || img.format() == QImage::Format_Grayscale16) {
        bitCount = 8;
        return img.convertToFormat(QImage::Format_Grayscale8);
    }
    if (source32 || img.hasAlphaChannel()) {
        bitCount = 32;
        return img.convertToFormat(QImage::Format_ARGB32);
    }
    bitCount = 24;
    return img.convertToFormat(QImage::Format_BGR888);
}

} // namespace

void CDib::FreeBits::operator()(uint8_t* p) const { std::free(p); }

CDib::CDib() : m_rateStart(platform::NowMs()) {}

CDib::~CDib() { Destroy(); }

bool CDib::Update()
{
    m_frameClock.Tick();
    return false;
}

int CDib::GetHeight() const { return m_header ? std::abs(m_header->bmiHeader.biHeight) : 0; }

bool CDib::Create(int width, int height, int bitsPerPixel, int, int, int)
{
    Destroy();
    if (width < 1 || height == 0 || height == INT_MIN ||
        (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32))
        return CVersions::Print(false, "error: Dib:Create:AllocBitmapInfo\n");
    const int bytes = bitsPerPixel / 8;
    const int absHeight = std::abs(height);
    if (INT_MAX / bytes / absHeight < width)
        return CVersions::Print(false, "error: Dib:Create:AllocBitmapInfo\n");

    auto header = std::unique_ptr<BitmapInfo>(new (std::nothrow) BitmapInfo());
    if (!header)
        return CVersions::Print(false, "error: Dib:Create:AllocBitmapInfo\n");
    BitmapInfoHeader& h = header->bmiHeader;
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = -height;
    h.biPlanes = 1;
    h.biBitCount = uint16_t(bitsPerPixel);
    h.biCompression = 0;
    h.biSizeImage = uint32_t(bytes) * uint32_t(absHeight) * uint32_t(width);
    h.biClrUsed = bitsPerPixel == 8 ? 256 : 0;
    m_header = std::move(header);
    if (bitsPerPixel == 8)
        SetGreyPalette(m_header.get(), 0xFFFFFF, 1);
    m_allocWidth = width;
    m_allocHeight = absHeight;
    m_allocBpp = bitsPerPixel;

    // zeroed pixel memory, like fresh pages
    auto* mem = static_cast<uint8_t*>(std::calloc(m_header->bmiHeader.biSizeImage, 1));
    if (!mem) {
        Destroy();
        return CVersions::Print(false, "Dib:Create:DIBSection error W(%d) H(%d) BPP(%d)\n", width, height,
                                bitsPerPixel);
    }
    m_pixels.reset(mem);
    m_bits = mem;
    MakeSurface();
    return true;
}

void CDib::MakeSurface()
{
    m_surface.reset();
    if (!m_header || !m_bits)
        return;
    const BitmapInfoHeader& h = m_header->bmiHeader;
    m_surface = std::make_unique<QImage>(m_bits, h.biWidth, std::abs(h.biHeight),
                                         qsizetype(h.biWidth) * (h.biBitCount / 8), SurfaceFormat(h.biBitCount));
}

void CDib::Destroy()
{
    m_name.clear();
    m_surface.reset();
    m_header.reset();
    m_bits = nullptr;
    m_pixels.reset();
    m_convBuffer.clear();
    m_convBuffer.shrink_to_fit();
    m_jpegByteCount = 1;
    m_fileBuffer.clear();
    m_fileBuffer.shrink_to_fit();
}

void CDib::Reset()
{
    m_frameNumber = 0;
    m_frameClock.Reset();
}

void CDib::FillBlack()
{
    if (m_bits && m_header)
        std::memset(m_bits, 0, m_header->bmiHeader.biSizeImage);
}

bool CDib::Load(const char* name)
{
    std::string used;
    if (!name || !*name) {
        used = m_name;
    } else {
        m_name.clear();
        used = name;
    }
    const std::string path = platform::ResolvePath(used);
    const int64_t size = used.empty() ? -1 : platform::FileSize(path);
    if (size <= 0) {
        FillBlack();
        return CVersions::Print(true, "warning: Dib:Load %s dont exists\n", used.c_str());
    }
    if (size > kMaxPictureFile)
        return CVersions::Print(false, "error: Dib:Load %s cant alloc file bufferd[%d]\n", used.c_str(),
                                int(std::min<int64_t>(size, INT_MAX)));
    std::string why;
    if (!platform::ReadWholeFile(path, m_fileBuffer, uint64_t(kMaxPictureFile), &why) || m_fileBuffer.empty())
        return CVersions::Print(false, "error: Dib:Load %s cant open file: %s\n", used.c_str(), why.c_str());
    m_name = used;
    // held aside while decoding: re-creating the image at the picture's size frees
    // the image's buffers
    std::vector<uint8_t> file;
    file.swap(m_fileBuffer);
    const bool decoded = Decode(file.data(), int(file.size()), false, why);
    m_fileBuffer.swap(file);
    if (!decoded)
        return CVersions::Print(false, "error: Dib:Load %s StreamToPic %s\n", used.c_str(), why.c_str());
    return true;
}

bool CDib::StreamToPic(const void* bytes, int count, bool flip)
{
    std::string why;
    if (!Decode(bytes, count, flip, why))
        return CVersions::Print(false, "error: Dib:StreamToPic %s\n", why.c_str());
    return true;
}

bool CDib::Decode(const void* bytes, int count, bool flip, std::string& why)
{
    why = "can't OleLoadPicture";
    if (!bytes || count <= 0)
        return false;
    const auto* data = static_cast<const uint8_t*>(bytes);
    PictureView view;
    switch (ParseBmp(data, size_t(count), view, m_scratch)) {
    case BmpParse::Ok:
        return FromPicture(view, flip);
    case BmpParse::Bad:
        why = "BMP header does not match the file";
        return false;
    case BmpParse::Other:
        break;
    }

    // JPEG goes through our own decoder, which bounds its scans and work
    if (count >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        int width = 0, height = 0;
        bool grey = false;
        std::string fault;
        auto rgb = DecodeJpegMemory(data, size_t(count), &width, &height, &grey, &fault);
        if (!rgb) {
            why = "JPEG " + fault;
            return false;
        }
        QImage image;
        if (grey) {
            image = QImage(width, height, QImage::Format_Grayscale8);
            for (int y = 0; y < height && !image.isNull(); ++y) {
                uint8_t* row = image.scanLine(y);
                const uint8_t* src = rgb.get() + size_t(y) * size_t(width) * 3;
                for (int x = 0; x < width; ++x)
                    row[x] = src[3 * x];
            }
        } else {
            image = QImage(rgb.get(), width, height, width * 3, QImage::Format_RGB888);
        }
        int bitCount = 0;
        QImage stored = ToStoredDepth(image, false, bitCount);
        return !stored.isNull() && FromPicture(ViewOf(stored, bitCount), flip);
    }

    QByteArray array = QByteArray::fromRawData(reinterpret_cast<const char*>(data), count);
    QBuffer buffer(&array);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // raster pictures only, told by their content: never vector or document formats
    const QByteArray format = reader.format().toLower();
    if (format != "bmp" && format != "gif" && format != "png" && format != "ico") {
        why = format.isEmpty() ? std::string("not a picture") : "not a raster picture (" + format.toStdString() + ")";
        return false;
    }
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return false;
    const bool source32 = count >= 30 && data[0] == 'B' && data[1] == 'M' && (data[28] | (data[29] << 8)) == 32;
    int bitCount = 0;
    QImage stored = ToStoredDepth(image, source32, bitCount);
    if (stored.isNull())
        return false;
    return FromPicture(ViewOf(stored, bitCount), flip);
}

bool CDib::FromPicture(const PictureView& picture, bool flip)
{
    if (!picture.firstRow || picture.width < 1 || picture.height < 1 ||
        (picture.bitCount != 8 && picture.bitCount != 24 && picture.bitCount != 32))
        return false;
    const size_t row = size_t(picture.width) * size_t(picture.bitCount / 8);
    const int rows = picture.height;

    // a picture that lies in this image's own pixels is copied out first
    std::vector<uint8_t> copy;
    PictureView src = picture;
    if (m_bits && m_header) {
        const uint8_t* lo = m_bits;
        const uint8_t* hi = m_bits + m_header->bmiHeader.biSizeImage;
        const uint8_t* a = std::min(picture.firstRow, picture.firstRow + picture.stride * (rows - 1));
        const uint8_t* b = std::max(picture.firstRow, picture.firstRow + picture.stride * (rows - 1)) + row;
        if (a < hi && b > lo) {
            copy.resize(row * size_t(rows));
            for (int r = 0; r < rows; ++r)
                std::memcpy(copy.data() + row * size_t(r), picture.firstRow + picture.stride * r, row);
            src.firstRow = copy.data();
            src.stride = ptrdiff_t(row);
        }
    }

    if (!m_header || GetWidth() != picture.width || GetHeight() != picture.height ||
        GetBitCount() != picture.bitCount || m_allocWidth != picture.width || m_allocHeight != picture.height ||
        m_allocBpp != picture.bitCount) {
        std::string name = m_name;  // re-creating keeps the name
        if (!Create(picture.width, picture.height, picture.bitCount, 0, 0, 1))
            return false;
        m_name = name;
    }
    const bool bottomUp = m_header->bmiHeader.biHeight > 0;
    for (int r = 0; r < rows; ++r) {
        const int from = flip ? rows - 1 - r : r;
        const int to = bottomUp ? rows - 1 - r : r;
        std::memcpy(m_bits + row * size_t(to), src.firstRow + src.stride * from, row);
    }
    return true;
}

bool CDib::FromBitmap(ImageBitmap bitmap, bool flip)
{
    if (!bitmap || bitmap->isNull())
        return false;
    int bitCount = 0;
    switch (bitmap->format()) {
    case QImage::Format_Grayscale8:
        bitCount = 8;
        break;
    case QImage::Format_BGR888:
        bitCount = 24;
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        bitCount = 32;
        break;
    default:
        break;
    }
    if (bitCount)
        return FromPicture(ViewOf(*bitmap, bitCount), flip);
    QImage stored = ToStoredDepth(*bitmap, false, bitCount);
    return !stored.isNull() && FromPicture(ViewOf(stored, bitCount), flip);
}

bool CDib::CopyFrom(const CImageSource* other)
{
    if (!other)
        return false;
    if (other == this)
        return true;
    if (const auto* dib = dynamic_cast<const CDib*>(other)) {
        const std::string name = dib->m_name;
        if (!dib->m_header || !dib->m_bits)
            return false;
        const bool ok = FromPicture(ViewOf(dib->m_header->bmiHeader, dib->m_bits), false);
        m_name = name;
        return ok;
    }
    return FromBitmap(other->GetBitmap(), false);
}

bool CDib::DrawBits(const void* bits, const BitmapInfo* header)
{
    if (!bits || !header || !m_header)
        return false;
    const PictureView view = ViewOf(header->bmiHeader, bits);
    if (!view.firstRow)
        return false;
    if (view.width == GetWidth() && view.height == GetHeight() && view.bitCount == GetBitCount())
        return FromPicture(view, false);
    const QImage::Format format = SurfaceFormat(view.bitCount);
    if (format == QImage::Format_Invalid)
        return false;
    // a source of another size or depth is scaled and converted to this image's
    const uint8_t* top = view.stride > 0 ? view.firstRow : view.firstRow + view.stride * (view.height - 1);
    QImage source(top, view.width, view.height, std::abs(view.stride), format);
    if (view.stride < 0)
        source = source.mirrored(false, true);
    QImage scaled = source.scaled(GetWidth(), GetHeight(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                        .convertToFormat(SurfaceFormat(GetBitCount()));
    return FromPicture(ViewOf(scaled, GetBitCount()), false);
}

int CDib::Draw(ImageDC dc, const void* bits, const ImageRect* rect)
{
    if (!bits) {
        if (!dc && !m_surface)
            return 0;
        if (rect) {
            const QRect r(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
            for (QImage* target : {m_surface.get(), dc}) {
                if (target && !target->isNull()) {
                    QPainter p(target);
                    p.fillRect(r, Qt::black);
                }
            }
        }
        return 0;
    }
    if (!m_header)
        return 0;
    BitmapInfoHeader& h = m_header->bmiHeader;
    h.biHeight = std::abs(h.biHeight);  // the given bits are bottom-up rows
    if (!dc || dc->isNull() || !rect)
        return 0;
    const QImage::Format format = SurfaceFormat(h.biBitCount);
    if (format == QImage::Format_Invalid)
        return 0;
    const QImage rows(static_cast<const uchar*>(bits), h.biWidth, h.biHeight, qsizetype(h.biWidth) * (h.biBitCount / 8),
                      format);
    QPainter p(dc);
    p.drawImage(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top),
                rows.mirrored(false, true));
    return 1;
}

bool CDib::Save(const char* name, const void* bits)
{
    const std::string target = name ? std::string(name) : m_name;
    if (!SaveFile(target.c_str(), m_header.get(), bits))
        return false;
    m_name = target;
    return true;
}

bool CDib::SaveFile(const char* name, const BitmapInfo* header, const void* bits)
{
    if (!name || !*name || !header)
        return false;
    if (!bits)
        bits = m_bits;
    if (!bits)
        return false;
    if (std::strstr(name, ".jpg"))
        return SaveJpeg(name, header, bits);
    const std::vector<uint8_t> file = BuildBmpFile(*header, bits);
    if (file.empty())
        return false;
    return platform::WriteFileAtomic(platform::ResolvePath(name), file.data(), file.size());
}

bool CDib::SaveJpeg(const char* name, const BitmapInfo* header, const void* bits)
{
    if (!name || !header || !bits)
        return false;
    const BitmapInfoHeader& h = header->bmiHeader;
    const int B = h.biBitCount / 8;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT_MIN || B < 1 || B > 4)
        return false;
    const unsigned W = unsigned(h.biWidth), H = unsigned(std::abs(h.biHeight));
    const size_t rgbRow = size_t(W) * 3;
    try {
        m_convBuffer.resize(rgbRow * H);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const PictureView view = ViewOf(h, bits);  // picture's top row first
    for (unsigned r = 0; r < H; ++r) {
        const uint8_t* s = view.firstRow + view.stride * ptrdiff_t(r);
        uint8_t* d = m_convBuffer.data() + rgbRow * r;
        for (unsigned x = 0; x < W; ++x, d += 3) {
            switch (B) {
            case 1:
                d[0] = d[1] = d[2] = s[x];
                break;
            case 2: {
                const unsigned v = unsigned(s[2 * x]) | (unsigned(s[2 * x + 1]) << 8);
                d[0] = uint8_t((v & 0x1F) << 3);
                d[1] = uint8_t(((v >> 5) & 0x1F) << 3);
                d[2] = uint8_t(((v >> 10) & 0x1F) << 3);
                break;
            }
            default:
                std::memcpy(d, s + size_t(x) * B, 3);
                break;
            }
        }
    }
    SwapRedBlue(m_convBuffer.data(), W, H);
    const bool memoryOnly = std::strstr(name, ".jpgm") != nullptr;
    std::vector<uint8_t> jpeg;
    if (!WriteJpegBytes(memoryOnly ? std::string() : std::string(name), m_convBuffer.data(), W, H, B > 1, 100, &jpeg))
        return false;
    m_convBuffer = std::move(jpeg);
    m_jpegByteCount = unsigned(m_convBuffer.size());
    return true;
}

const uint8_t* CDib::GetJpegBuffer(unsigned* count) const
{
    if (count)
        *count = m_jpegByteCount >= 2 ? m_jpegByteCount : 0;
    return m_convBuffer.empty() ? nullptr : m_convBuffer.data();
}

bool CDib::ComInfo(int, ImageComValue, unsigned flags, int, void*) { return (flags & 0x20000) ? m_hold : true; }

int CDib::Control(int code)
{
    if (code == -10)
        return 1;
    if (code == 10)
        return 0x0FFFFFFF;
    return 0;
}

uint8_t* CDib::GetFrame(int, int) { return m_bits; }

void CDib::GetDimension(int* width, int* height, int* bitsPerPixel) const
{
    if (width)
        *width = GetWidth();
    if (height)
        *height = GetHeight();
    if (bitsPerPixel)
        *bitsPerPixel = GetBitCount();
}

int CDib::GetPicNum()
{
    if (m_hold)
        return m_frameNumber;
    const uint64_t now = platform::NowMs();
    if (now - m_lastAdvance >= 15) {
        ++m_frameNumber;
        m_lastAdvance = now;
    }
    return m_frameNumber;
}

bool CDib::SetPicNum(int number)
{
    m_frameNumber = number;
    m_lastAdvance = platform::NowMs();
    return true;
}

bool CDib::SetTrigger(bool on)
{
    m_hold = on;
    return on;
}

unsigned CDib::PixelOffset(int x, int y) const
{
    if (!m_header)
        return 0;
    const BitmapInfoHeader& h = m_header->bmiHeader;
    return unsigned(h.biBitCount / 8) * unsigned(x + y * h.biWidth);
}

void CDib::SetGreyPalette(BitmapInfo* header, unsigned colour, uint8_t step, bool)
{
    BitmapInfo* info = header ? header : m_header.get();
    if (!info)
        return;
    unsigned s = step & ~7u;
    if (s == 0)
        s = 1;
    const float R = float(colour & 0xFF), G = float((colour >> 8) & 0xFF), B = float((colour >> 16) & 0xFF);
    const float k = 1.0f / 255.0f;
    const int64_t used = std::min<int64_t>(info->bmiHeader.biClrUsed, 256);
    const int64_t limit = used - (s > 1 ? int64_t(s) : 0);
    for (int64_t i = 0; i < limit; i += s) {
        const float fi = float(i);
        const float r = R * k * fi, g = G * k * fi, b = B * k * fi;
        const float y = std::clamp(0.299f * r + 0.587f * g + 0.114f * b, 0.0f, 255.0f);
        for (unsigned j = 0; j < s && i + j < 256; ++j) {
            RgbQuad& q = info->bmiColors[i + j];
            q.rgbBlue = uint8_t(b);
            q.rgbGreen = uint8_t(g);
            q.rgbRed = uint8_t(r);
            q.rgbReserved = 0;
            m_luminance[i + j][0] = m_luminance[i + j][1] = m_luminance[i + j][2] = uint8_t(y);
        }
    }
}

float CDib::CountFps()
{
    ++m_rateFrames;
    const uint64_t now = platform::NowMs();
    const uint64_t elapsed = now - m_rateStart;
    if (elapsed >= 1000) {
        m_countedRate = float(1000.0 / double(elapsed) * m_rateFrames);
        m_rateFrames = 0;
        m_rateStart = now;
    }
    return m_countedRate;
}
