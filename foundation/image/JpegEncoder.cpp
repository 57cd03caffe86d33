#include "foundation/image/JpegEncoder.h"

#include "platform/Paths.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// ITU-T T.81 Annex K.1, natural order
const uint8_t kLumBase[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,  //
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,  //
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,  //
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
const uint8_t kChromBase[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,  //
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// ITU-T T.81 Annex K.3: code counts per length 1..16 and symbols
const uint8_t kDcLumCounts[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
const uint8_t kDcChromCounts[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
const uint8_t kDcSymbols[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const uint8_t kAcLumCounts[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
const uint8_t kAcLumSymbols[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
const uint8_t kAcChromCounts[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
const uint8_t kAcChromSymbols[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
    0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
    0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
    0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
    0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
    0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

// AAN scale factors: round(16384 x f(row) x f(col)), f(0) = 1, f(n) = sqrt(2) cos(n pi / 16)
struct AanTable {
    uint16_t v[64];
    AanTable()
    {
        const double pi = 3.14159265358979323846;
        double f[8];
        f[0] = 1.0;
        for (int n = 1; n < 8; ++n)
            f[n] = std::sqrt(2.0) * std::cos(n * pi / 16.0);
        for (int k = 0; k < 64; ++k)
            v[k] = uint16_t(std::lround(16384.0 * f[k / 8] * f[k % 8]));
    }
};
const AanTable kAan;

int BitLength(int v)
{
    unsigned a = unsigned(std::abs(v));
    int n = 0;
    while (a) {
        ++n;
        a >>= 1;
    }
    return n;
}

// 8-bit fixed-point constants of the fast DCT
constexpr int32_t kFix0382 = 98;
constexpr int32_t kFix0541 = 139;
constexpr int32_t kFix0707 = 181;
constexpr int32_t kFix1306 = 334;
inline int32_t Mul(int32_t v, int32_t c) { return (v * c) >> 8; }

void Dct1D(int32_t* d, int step)
{
    int32_t tmp0 = d[0] + d[7 * step], tmp7 = d[0] - d[7 * step];
    int32_t tmp1 = d[1 * step] + d[6 * step], tmp6 = d[1 * step] - d[6 * step];
    int32_t tmp2 = d[2 * step] + d[5 * step], tmp5 = d[2 * step] - d[5 * step];
    int32_t tmp3 = d[3 * step] + d[4 * step], tmp4 = d[3 * step] - d[4 * step];
    // even part
    int32_t tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3;
    int32_t tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    d[0] = tmp10 + tmp11;
    d[4 * step] = tmp10 - tmp11;
    int32_t z1 = Mul(tmp12 + tmp13, kFix0707);
    d[2 * step] = tmp13 + z1;
    d[6 * step] = tmp13 - z1;
    // odd part
    tmp10 = tmp4 + tmp5;
    tmp11 = tmp5 + tmp6;
    tmp12 = tmp6 + tmp7;
    int32_t z5 = Mul(tmp10 - tmp12, kFix0382);
    int32_t z2 = Mul(tmp10, kFix0541) + z5;
    int32_t z4 = Mul(tmp12, kFix1306) + z5;
    int32_t z3 = Mul(tmp11, kFix0707);
    int32_t z11 = tmp7 + z3, z13 = tmp7 - z3;
    d[5 * step] = z13 + z2;
    d[3 * step] = z13 - z2;
    d[1 * step] = z11 + z4;
    d[7 * step] = z11 - z4;
}

} // namespace

const uint8_t CJpegEncoder::kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                           12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                           35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                           58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

CJpegEncoder::CJpegEncoder(unsigned quality) : m_quality(uint16_t(quality))
{
    for (int32_t i = 0; i < 256; ++i) {
        m_rY[i] = i * 19595;
        m_gY[i] = i * 38470;
        m_bY[i] = i * 7471 + 32768;
        m_rCb[i] = -i * 11059;
        m_gCb[i] = -i * 21709;
        m_bCb[i] = i * 32768 + 8421375;
        m_rCr[i] = i * 32768 + 8421375;
        m_gCr[i] = -i * 27439;
        m_bCr[i] = -i * 5329;
    }
    SetQuality();
    BuildHuffman(kDcLumCounts, kDcSymbols, 12, m_dcLum);
    BuildHuffman(kAcLumCounts, kAcLumSymbols, 162, m_acLum);
    BuildHuffman(kDcChromCounts, kDcSymbols, 12, m_dcChrom);
    BuildHuffman(kAcChromCounts, kAcChromSymbols, 162, m_acChrom);
}

void CJpegEncoder::SetQuality()
{
    const unsigned q = m_quality;
    if (q == 0)
        m_scale = 5000;
    else if (q > 100)
        m_scale = 0;
    else if (q >= 50)
        m_scale = uint16_t(200 - 2 * q);
    else
        m_scale = uint16_t(5000 / q);
    for (int k = 0; k < 64; ++k) {
        const long lum = std::clamp((long(kLumBase[k]) * m_scale + 50) / 100, 1L, 255L);
        const long chrom = std::clamp((long(kChromBase[k]) * m_scale + 50) / 100, 1L, 255L);
        m_lumQuant[k] = uint8_t(lum);
        m_chromQuant[k] = uint8_t(chrom);
        m_lumDiv[k] = uint16_t((lum * kAan.v[k] + 1024) >> 11);
        m_chromDiv[k] = uint16_t((chrom * kAan.v[k] + 1024) >> 11);
    }
}

void CJpegEncoder::GetQuantTable(int index, uint8_t table[64]) const
{
    std::memcpy(table, index ? m_chromQuant : m_lumQuant, 64);
}

void CJpegEncoder::BuildHuffman(const uint8_t counts[16], const uint8_t* symbols, int symbolCount, HuffTable& table)
{
    std::memset(&table, 0, sizeof(table));
    uint32_t code = 0;
    int k = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < counts[length - 1] && k < symbolCount; ++i, ++k) {
            table.code[symbols[k]] = code++;
            table.length[symbols[k]] = uint8_t(length);
        }
        code <<= 1;
    }
}

void CJpegEncoder::PutBits(uint32_t code, int length)
{
    if (length <= 0)
        return;
    code &= (1u << length) - 1;
    m_bitAcc |= code << (24 - (m_bitCount + length));
    m_bitCount += length;
    while (m_bitCount >= 8) {
        const uint8_t byte = uint8_t(m_bitAcc >> 16);
        if (size_t(*m_outCount) < m_outCapacity)
            m_out[(*m_outCount)++] = byte;
        else
            m_overflow = true;
        m_bitAcc = (m_bitAcc << 8) & 0xFFFFFF;
        m_bitCount -= 8;
    }
}

void CJpegEncoder::FlushBits()
{
    if (m_bitCount > 0) {
        if (size_t(*m_outCount) < m_outCapacity)
            m_out[(*m_outCount)++] = uint8_t(m_bitAcc >> 16);
        else
            m_overflow = true;
    }
    m_bitAcc = 0;
    m_bitCount = 0;
}

void CJpegEncoder::ForwardDct(int32_t* block) const
{
    for (int r = 0; r < 8; ++r)
        Dct1D(block + 8 * r, 1);
    for (int c = 0; c < 8; ++c)
        Dct1D(block + c, 8);
}

bool CJpegEncoder::CodeBlock(int32_t* block, const uint16_t* divisors, int& lastDc, const HuffTable& dc,
                             const HuffTable& ac)
{
    ForwardDct(block);
    for (int k = 0; k < 64; ++k) {
        const int32_t q = divisors[k];
        const int32_t v = block[k];
        const int32_t a = (v < 0 ? -v : v) + q / 2;
        const int32_t quantised = a < q ? 0 : a / q;
        block[k] = v < 0 ? -quantised : quantised;
    }
    // DC difference
    const int diff = block[0] - lastDc;
    lastDc = block[0];
    int s = BitLength(diff);
    if (s > 255 || dc.length[s] == 0)
        return false;
    PutBits(dc.code[s], dc.length[s]);
    if (s > 0)
        PutBits(uint32_t(diff < 0 ? diff - 1 : diff), s);
    // AC run lengths in zigzag order
    int run = 0;
    for (int z = 1; z < 64; ++z) {
        const int v = block[kZigzag[z]];
        if (v == 0) {
            ++run;
            continue;
        }
        while (run > 15) {
            if (ac.length[0xF0] == 0)
                return false;
            PutBits(ac.code[0xF0], ac.length[0xF0]);
            run -= 16;
        }
        s = BitLength(v);
        const int symbol = run * 16 + s;
        if (s > 15 || ac.length[symbol] == 0)
            return false;
        PutBits(ac.code[symbol], ac.length[symbol]);
        PutBits(uint32_t(v < 0 ? v - 1 : v), s);
        run = 0;
    }
    if (run > 0)
        PutBits(ac.code[0x00], ac.length[0x00]);
    return !m_overflow;
}

void CJpegEncoder::ConvertPixels(const uint8_t* mcu, uint8_t* y, uint8_t* cb, uint8_t* cr) const
{
    for (int i = 0; i < 256; ++i) {
        const uint8_t b = mcu[3 * i], g = mcu[3 * i + 1], r = mcu[3 * i + 2];
        y[i] = uint8_t((m_bY[b] + m_gY[g] + m_rY[r]) >> 16);
        cb[i] = uint8_t((m_rCb[r] + m_gCb[g] + m_bCb[b]) >> 16);
        cr[i] = uint8_t((m_rCr[r] + m_gCr[g] + m_bCr[b]) >> 16);
    }
}

bool CJpegEncoder::EncodeMcu(const uint8_t* mcu, uint8_t* out, size_t outCapacity, int* byteCount)
{
    if (!mcu || !out || !byteCount)
        return false;
    m_out = out;
    m_outCapacity = outCapacity;
    m_outCount = byteCount;
    int32_t y[4][64], cb[64], cr[64];
    for (int py = 0; py < 16; ++py) {
        for (int px = 0; px < 16; ++px) {
            const uint8_t* p = mcu + 3 * (py * 16 + px);
            const uint8_t b = p[0], g = p[1], r = p[2];
            y[(py / 8) * 2 + px / 8][(py % 8) * 8 + px % 8] = ((m_bY[b] + m_gY[g] + m_rY[r]) >> 16) - 128;
            if ((py % 2) == 0 && (px % 2) == 0) {
                cb[(py / 2) * 8 + px / 2] = ((m_rCb[r] + m_gCb[g] + m_bCb[b]) >> 16) - 128;
                cr[(py / 2) * 8 + px / 2] = ((m_rCr[r] + m_gCr[g] + m_bCr[b]) >> 16) - 128;
            }
        }
    }
    for (auto& block : y)
        if (!CodeBlock(block, m_lumDiv, m_lastDc[0], m_dcLum, m_acLum))
            return false;
    return CodeBlock(cb, m_chromDiv, m_lastDc[1], m_dcChrom, m_acChrom) &&
           CodeBlock(cr, m_chromDiv, m_lastDc[2], m_dcChrom, m_acChrom);
}

bool CJpegEncoder::Encode(const uint8_t* pixels, uint8_t* out, size_t outCapacity, int width, int height,
                          int* byteCount)
{
    if (!pixels || !out || !byteCount)
        return false;
    if (width < 1 || height < 1 || width > 65535 || height > 65535 || outCapacity < 6)
        return false;
    m_width = uint16_t(width);
    m_height = uint16_t(height);
    const uint16_t header[3] = {m_width, m_height, m_quality};
    for (int i = 0; i < 3; ++i) {
        out[2 * i] = uint8_t(header[i]);
        out[2 * i + 1] = uint8_t(header[i] >> 8);
    }
    *byteCount = 6;
    m_lastDc[0] = m_lastDc[1] = m_lastDc[2] = 0;
    m_bitAcc = 0;
    m_bitCount = 0;
    m_overflow = false;

    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    uint8_t mcu[256 * 3];
    for (int i = 0; i < (height + 15) / 16; ++i) {
        for (int j = 0; j < (width + 15) / 16; ++j) {
            for (int py = 0; py < 16; ++py) {
                const int row = std::min(16 * i + py, height - 1);  // below the picture: its last row
                const uint8_t* src = pixels + stride * size_t(row);
                for (int px = 0; px < 16; ++px) {
                    const int col = std::min(16 * j + px, width - 1);  // right of it: the row's last pixel
                    std::memcpy(mcu + 3 * (py * 16 + px), src + 3 * size_t(col), 3);
                }
            }
            if (!EncodeMcu(mcu, out, outCapacity, byteCount))
                return false;
        }
    }
    FlushBits();
    return !m_overflow;
}

bool SaveCompactJpeg(void*, const char* name, const BitmapInfoHeader* header, const uint8_t* bits)
{
    if (!name || !*name || !header || !bits || header->biBitCount != 24)
        return false;
    const int width = header->biWidth;
    if (width < 1 || header->biHeight == 0 || header->biHeight == INT_MIN)
        return false;
    const int height = std::abs(header->biHeight);
    const size_t unpadded = size_t(width) * 3;
    const size_t padded = (unpadded + 3) & ~size_t(3);
    const size_t imageBytes = header->biSizeImage ? header->biSizeImage : padded * size_t(height);

    // the encoder reads rows padded to four bytes
    std::vector<uint8_t> repacked;
    const uint8_t* rows = bits;
    if (unpadded != padded && imageBytes < padded * size_t(height)) {
        if (imageBytes < unpadded * size_t(height))
            return false;
        repacked.assign(padded * size_t(height), 0);
        for (int y = 0; y < height; ++y)
            std::memcpy(&repacked[padded * size_t(y)], bits + unpadded * size_t(y), unpadded);
        rows = repacked.data();
    }
    std::vector<uint8_t> out(imageBytes);
    int count = 0;
    CJpegEncoder encoder(50);
    if (!encoder.Encode(rows, out.data(), out.size(), width, height, &count))
        return false;
    return platform::WriteFileAtomic(platform::ResolvePath(name), out.data(), size_t(count));
}
