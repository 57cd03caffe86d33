#pragma once
#include "foundation/image/ImageSource.h"

#include <cstddef>
#include <cstdint>

// A small baseline JPEG encoder writing a compact stream: width, height and quality
// as little-endian 16-bit values, then the Huffman-coded data of all 16 x 16 MCUs
// (four Y blocks, Cb, Cr; 4:2:0 by point subsampling) with no markers, no byte
// stuffing and the last byte completed with zero bits. Tables: the example tables
// of ITU-T T.81 Annex K, scaled by quality.
class CJpegEncoder {
public:
    explicit CJpegEncoder(unsigned quality = 50);

    // Rebuilds the quantisation divisors from m_quality.
    void SetQuality();
    void SetQuality(unsigned quality)
    {
        m_quality = uint16_t(quality);
        SetQuality();
    }

    // pixels: rows of blue, green, red, each padded to four bytes. Writes at most
    // outCapacity bytes; false when the stream does not fit, a size is not in
    // 1..65535, or a value has no Huffman code.
    bool Encode(const uint8_t* pixels, uint8_t* out, size_t outCapacity, int width, int height, int* byteCount);
    // Codes one MCU given as 256 blue, green, red pixels (16 rows of 16) and adds the
    // bytes written to byteCount. Pending bits stay in the writer.
    bool EncodeMcu(const uint8_t* mcu, uint8_t* out, size_t outCapacity, int* byteCount);
    // Full-resolution Y, Cb, Cr (0..255, no level shift) of 256 pixels.
    void ConvertPixels(const uint8_t* mcu, uint8_t* y, uint8_t* cb, uint8_t* cr) const;

    unsigned GetQuality() const { return m_quality; }
    unsigned GetScale() const { return m_scale; }
    // The scaled quantisation table (1..255, natural order): 0 luminance, 1 chrominance.
    void GetQuantTable(int index, uint8_t table[64]) const;
    const uint16_t* GetDivisors(int index) const { return index ? m_chromDiv : m_lumDiv; }

    // The standard zigzag order: natural index of each zigzag position.
    static const uint8_t kZigzag[64];

private:
    struct HuffTable {
        uint32_t code[256];
        uint8_t length[256];
    };
    static void BuildHuffman(const uint8_t counts[16], const uint8_t* symbols, int symbolCount, HuffTable& table);
    void ForwardDct(int32_t* block) const;
    bool CodeBlock(int32_t* block, const uint16_t* divisors, int& lastDc, const HuffTable& dc, const HuffTable& ac);
    void PutBits(uint32_t code, int length);
    void FlushBits();

    uint16_t m_quality;
    uint16_t m_scale = 0;
    int32_t m_rY[256], m_gY[256], m_bY[256];
    int32_t m_rCb[256], m_gCb[256], m_bCb[256];
    int32_t m_rCr[256], m_gCr[256], m_bCr[256];
    uint16_t m_lumDiv[64];
    uint16_t m_chromDiv[64];
    uint8_t m_lumQuant[64];
    uint8_t m_chromQuant[64];
    HuffTable m_dcLum, m_acLum, m_dcChrom, m_acChrom;
    uint16_t m_width = 0, m_height = 0;
    int m_lastDc[3] = {};
    int m_bitCount = 0;
    uint32_t m_bitAcc = 0;
    // output of the running encode
    uint8_t* m_out = nullptr;
    size_t m_outCapacity = 0;
    int* m_outCount = nullptr;
    bool m_overflow = false;
};

// Writes a 24-bit image as a compact stream (quality 50) to a file, replacing it
// atomically. Rows may be padded to four bytes or unpadded (as the image buffer
// keeps them). False for other depths, when the stream would be larger than the
// image's bytes, or when the write fails.
bool SaveCompactJpeg(void* ignored, const char* name, const BitmapInfoHeader* header, const uint8_t* bits);
