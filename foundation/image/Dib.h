#pragma once
#include "foundation/core/FrameTimer.h"
#include "foundation/image/BmpFile.h"
#include "foundation/image/ImageSource.h"

#include <QPainter>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A packed DIB: 40-byte (or 12-byte core) header, colour table, then bottom-up rows
// padded to four bytes. Empty stands for no block.
using PackedDib = std::vector<uint8_t>;

// A logical palette.
struct LogPalette {
    std::vector<RgbQuad> entries;
};
using PaletteHandle = std::shared_ptr<LogPalette>;

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;

// A four-quarter colour ramp of value in 0..max: blue, cyan, green, yellow, red.
void ColourRamp(double* red, double* green, double* blue, double value, double max);

// The image buffer: 8 (grey), 24 (blue, green, red) or 32-bit (blue, green, red,
// fourth byte) pixels in rows of width x bytes-per-pixel without padding. A
// positive height given to Create makes a top-down image (biHeight negative, first
// row = picture's top row); a negative one a bottom-up image. Used by one thread
// at a time.
class CDib : public CImageSource {
public:
    CDib();
    ~CDib() override;

    bool Update() override;
    // Without bits: fills rect black in the image and in dc. With bits (bottom-up
    // rows of the image's size and depth; the header's height becomes positive for
    // good): draws them stretched into rect of dc. Returns 1 when drawn.
    int Draw(ImageDC dc, const void* bits, const ImageRect* rect) override;
    // Null name: the stored name; null bits: the image's own pixels. A name holding
    // ".jpg" writes a JPEG (".jpgm": to memory only), any other name a BMP.
    bool Save(const char* name, const void* bits) override;
    uint8_t* GetBits() override { return m_bits; }
    // A QImage over the pixels (memory rows top to bottom).
    ImageDC GetMemDC() override { return m_surface.get(); }
    float GetFrameRate() override { return m_frameClock.GetSmoothRate(); }
    int GetWidth() const override { return m_header ? m_header->bmiHeader.biWidth : 0; }
    int GetHeight() const override;
    int GetAllocWidth() const override { return m_allocWidth; }
    int GetAllocHeight() const override { return m_allocHeight; }
    int GetAllocBpp() const override { return m_allocBpp; }
    int GetBitCount() const override { return m_header ? m_header->bmiHeader.biBitCount : 0; }
    ImageBitmap GetBitmap() const override { return m_surface.get(); }
    bool ComInfo(int command, ImageComValue value, unsigned flags, int extra, void* data) override;
    // width >= 1, height != 0, 8, 24 or 32 bits; the last three are not read.
    bool Create(int width, int height, int bitsPerPixel, int a = 0, int b = 0, int c = 1) override;
    void Destroy() override;
    void Reset() override;
    // Reads a picture file (BMP, JPEG, PNG, GIF). A missing or empty file fills the
    // image black and still returns true; a file that cannot be read or decoded
    // returns false and leaves the image as it was.
    bool Load(const char* name) override;
    int Control(int code) override;
    float GetRate() override { return float(m_frameClock.GetRate()); }
    const char* GetText() override { return nullptr; }
    uint8_t* GetFrame(int index, int mode) override;
    void GetDimension(int* width, int* height, int* bitsPerPixel) const override;
    int GetPicNum() override;
    bool SetPicNum(int number) override;
    bool SetTrigger(bool on) override;

    const BitmapInfo* GetBitmapInfo() const { return m_header.get(); }
    BitmapInfo* GetBitmapInfo() { return m_header.get(); }
    unsigned PixelOffset(int x, int y) const;
    // Copies another source's picture (and name) in, re-creating at its size and depth.
    bool CopyFrom(const CImageSource* other);
    bool SaveFile(const char* name, const BitmapInfo* header, const void* bits);
    bool SaveJpeg(const char* name, const BitmapInfo* header, const void* bits);
    // Decodes a picture file held in memory into the image; flip reverses its rows.
    bool StreamToPic(const void* bytes, int count, bool flip);
    // Draws a surface in (re-creating at its size and depth when they differ).
    bool FromBitmap(ImageBitmap bitmap, bool flip);
    // Draws decoded rows in (re-creating at their size and depth when they differ).
    bool FromPicture(const PictureView& picture, bool flip);
    // Scales bits described by header into the image at the image's size.
    bool DrawBits(const void* bits, const BitmapInfo* header);
    // header null: the image's own. colour 0x00BBGGRR; step rounded down to a
    // multiple of 8 (1 when that is 0).
    void SetGreyPalette(BitmapInfo* header, unsigned colour, uint8_t step, bool unused = true);
    float CountFps();
    void SetName(const std::string& name) { m_name = name; }
    std::string GetName() const { return m_name; }
    // Luminance of each colour-table entry in its first three bytes.
    const uint8_t (*GetGreyTable() const)[4] { return m_luminance; }
    // The bytes of the last JPEG written by SaveJpeg (count 0 before any).
    const uint8_t* GetJpegBuffer(unsigned* count) const;
    // As above; a count of -1 on entry copies the image to the clipboard instead (null).
    const uint8_t* GetJpegBuffer(int* count);

    // Clipboard (GUI thread): a picture comes in at its own size and depth; the
    // image goes out as a packed DIB (32 bits as 24).
    bool PasteFromClipboard() override;
    bool CopyToClipboard() override;

    int64_t GetImageSize() const;
    bool FlipVertical();
    // Reads a BMP file directly (padded or unpadded rows, either orientation).
    bool LoadBmp(const char* name);
    // A quarter turn counter-clockwise of bits (this image's size and depth) into the image.
    bool RotateBits(const void* bits);
    bool RotateFrom(CDib* other);
    void SetAlpha(int value);
    bool InvertAroundMean(uint8_t* bits, int offset);
    bool CopyBitmap(ImageBitmap bitmap);
    bool SaveBitmap(ImageBitmap bitmap, const char* name);
    bool DrawBitsScaled(const void* bits, const BitmapInfo* header, int sourceWidth, int sourceHeight);
    void SetPalette(const RgbQuad* entries);
    static bool GetPictureSize(const char* name, int* width, int* height, int* bits);
    static bool BuildBitmapInfo(std::unique_ptr<BitmapInfo>& out, int width, int height, int bits);
    static bool FreeBitmapInfo(std::unique_ptr<BitmapInfo>& header);

    // Drawing onto other surfaces (rectangles left, top, right, bottom). The
    // "framework" variants fill the rectangle black when there is nothing to draw.
    int StretchToDC(ImageDC dc, const void* bits, const ImageRect& dest, bool fillBlack = true);
    int StretchToDC(ImageDC dc, const void* bits, int x, int y, int width, int height,
                    QPainter::CompositionMode mode = QPainter::CompositionMode_Source);
    int StretchToDC(ImageDC dc, const void* bits, const ImageRect& dest, const ImageRect& source, bool fillBlack = true);
    int StretchToDC(ImageDC dc, int x, int y, int width, int height);
    int BitsToDC(ImageDC dc, const void* bits, const ImageRect& dest, int srcX, int srcY, int dstX, int dstY,
                 bool fillBlack = true);
    int BitsToDC(ImageDC dc, int x, int y, int width, int height);
    static bool DrawTransparent(ImageDC dc, int x, int y, int width, int height, ImageBitmap bitmap, int srcX,
                                int srcY, uint32_t keyColour, const PaletteHandle& palette = nullptr);

    // Packed DIBs and palettes.
    static PackedDib BitmapToDib(ImageBitmap bitmap, const PaletteHandle& palette = nullptr);
    static PackedDib BitmapToDibEx(ImageBitmap bitmap, int bitCount, uint32_t compression,
                                   const PaletteHandle& palette = nullptr);
    static PackedDib ConvertDib(const PackedDib& dib, int bitCount, uint32_t compression);
    static PackedDib AllocDibForBitmap(const BitmapInfoHeader& header, ImageBitmap bitmap);
    static PackedDib AllocDibHeader(int width, int height, int bitCount);
    static PaletteHandle CreateSystemPalette();
    static int GetDeviceColourCount(ImageDC dc);
    static std::unique_ptr<QImage> DibToBitmap(const PackedDib& dib, const PaletteHandle& palette = nullptr);
    static PaletteHandle CreateDibPalette(const PackedDib& dib);
    static unsigned DibNumColours(const uint8_t* dib);
    static unsigned DibPaletteSize(const uint8_t* dib);
    static int DibWidth(const uint8_t* dib);
    static int DibHeight(const uint8_t* dib);
    static const uint8_t* DibBits(const uint8_t* dib);

private:
    void FillBlack();
    void MakeSurface();

    CFrameTimer m_frameClock;
    std::vector<uint8_t> m_fileBuffer;  // bytes of the last picture file read, kept
    uint8_t* m_bits = nullptr;
    struct FreeBits {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t, FreeBits> m_pixels;  // calloc'ed
    std::vector<uint8_t> m_convBuffer;  // RGB copy for JPEG saving, then the JPEG bytes
    unsigned m_jpegByteCount = 1;
    bool m_hold = false;
    uint64_t m_lastAdvance = 0;
    int m_frameNumber = 0;
    std::unique_ptr<QImage> m_surface;
    uint8_t m_luminance[256][4] = {};
    std::unique_ptr<BitmapInfo> m_header;
    int m_allocWidth = 0, m_allocHeight = 0, m_allocBpp = 0;
    std::string m_name;
    uint64_t m_rateStart = 0;
    unsigned m_rateFrames = 0;
    float m_countedRate = 0;
    std::vector<uint8_t> m_scratch;  // palette expansion while decoding
};
