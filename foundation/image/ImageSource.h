#pragma once
#include <cstdint>

class QImage;

// The 40-byte bitmap info header, fields as stored in BMP files (little-endian there).
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // negative: top-down rows
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;  // 0: uncompressed
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct RgbQuad {
    uint8_t rgbBlue = 0;
    uint8_t rgbGreen = 0;
    uint8_t rgbRed = 0;
    uint8_t rgbReserved = 0;
};

// Header followed by the colour table (used for 8-bit images, biClrUsed entries).
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    RgbQuad bmiColors[256];
};

struct ImageRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Drawing surfaces: a QImage over pixel memory stands for a device context and a bitmap.
using ImageDC = QImage*;
using ImageBitmap = QImage*;

// 16-byte value handed through ComInfo.
struct ImageComValue {
    uint8_t bytes[16] = {};
};

// Everything that yields pictures: still images, cameras, video files.
class CImageSource {
public:
    CImageSource() = default;
    virtual ~CImageSource() = default;
    CImageSource(const CImageSource&) = delete;
    CImageSource& operator=(const CImageSource&) = delete;

    virtual bool Update() { return false; }
    virtual int Draw(ImageDC /*dc*/, const void* /*bits*/, const ImageRect* /*rect*/) { return 0; }
    virtual bool Save(const char* /*name*/, const void* /*bits*/) { return false; }
    virtual uint8_t* GetBits() { return nullptr; }
    virtual ImageDC GetMemDC() { return nullptr; }
    virtual float GetFrameRate() { return 0; }
    virtual int GetWidth() const { return 0; }
    virtual int GetHeight() const { return 0; }
    virtual int GetAllocWidth() const { return 0; }
    virtual int GetAllocHeight() const { return 0; }
    virtual int GetAllocBpp() const { return 0; }
    virtual int GetBitCount() const { return 0; }
    virtual ImageBitmap GetBitmap() const { return nullptr; }
    virtual void Hook1() {}
    virtual bool Hook2() { return false; }
    virtual bool Hook3() { return false; }
    virtual bool Hook4() { return false; }
    virtual bool ComInfo(int /*command*/, ImageComValue /*value*/, unsigned /*flags*/, int /*extra*/, void* /*data*/)
    {
        return false;
    }
    virtual bool Create(int /*width*/, int /*height*/, int /*bitsPerPixel*/, int /*a*/ = 0, int /*b*/ = 0, int /*c*/ = 1)
    {
        return false;
    }
    virtual void Destroy() {}
    virtual void Reset() {}
    virtual bool Load(const char* /*name*/) { return true; }
    virtual int Control(int /*code*/) { return 0; }
    virtual float GetRate() { return 0; }
    virtual const char* GetText() { return nullptr; }
    virtual uint8_t* GetFrame(int /*index*/, int /*mode*/) { return nullptr; }
    virtual bool PasteFromClipboard() { return false; }
    virtual bool CopyToClipboard() { return false; }
    virtual void GetDimension(int* width, int* height, int* bitsPerPixel) const
    {
        if (width)
            *width = 0;
        if (height)
            *height = 0;
        if (bitsPerPixel)
            *bitsPerPixel = 0;
    }
    virtual int GetPicNum() { return 0; }
    virtual bool SetPicNum(int /*number*/) { return false; }
    virtual bool SetTrigger(bool /*on*/) { return false; }
    virtual void Stop() {}
    virtual bool Start(bool /*on*/) { return false; }
    virtual bool IsLive() { return false; }

    // 0 after construction; set by the image-source factory
    // (1 video file, 2-3 and 5-6 camera kinds, 4 still image).
    int m_sourceType = 0;
};
