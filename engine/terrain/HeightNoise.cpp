#include "engine/terrain/HeightNoise.h"

namespace {

// Truncation toward zero; coordinates outside the int range (or NaN) give 0.
inline int32_t Trunc(float u)
{
    return (u > -2.0e9f && u < 2.0e9f) ? static_cast<int32_t>(u) : 0;
}

inline float Blend(float t)
{
    return 3.0f * t * t - 2.0f * t * t * t;
}

} // namespace

CHeightNoise::CHeightNoise(float persistence, float frequency, float amplitude, int octaves, int seed)
{
    Set(persistence, frequency, amplitude, octaves, seed);
}

void CHeightNoise::Set(float persistence, float frequency, float amplitude, int octaves, int seed)
{
    m_persistence = persistence;
    m_frequency = frequency;
    m_amplitude = amplitude;
    m_octaves = octaves;
    m_seedOffset = static_cast<int>(static_cast<uint32_t>(seed) * static_cast<uint32_t>(seed) + 2u);
}

float CHeightNoise::Noise(int32_t i, int32_t j)
{
    uint32_t n = static_cast<uint32_t>(i) + 57u * static_cast<uint32_t>(j);
    n = (n << 13) ^ n;
    const uint32_t m = (n * (n * n * 15731u + 789221u) - 771171059u) & 0x7fffffffu;
    return static_cast<float>(1.0 - static_cast<double>(m) / 1073741824.0);
}

float CHeightNoise::Smoothed(int32_t i, int32_t j)
{
    const float corners = (Noise(i - 1, j - 1) + Noise(i + 1, j - 1) + Noise(i - 1, j + 1) + Noise(i + 1, j + 1)) / 16.0f;
    const float sides = (Noise(i - 1, j) + Noise(i + 1, j) + Noise(i, j - 1) + Noise(i, j + 1)) / 8.0f;
    return corners + sides + Noise(i, j) / 4.0f;
}

float CHeightNoise::SmoothedNoise(float u, float v) const
{
    const int32_t i = Trunc(u);
    const int32_t j = Trunc(v);
    const float fu = u - static_cast<float>(i);
    const float fv = v - static_cast<float>(j);
    const float su = Blend(fu);
    const float su1 = Blend(1.0f - fu);
    const float row0 = Smoothed(i + 1, j) * su + Smoothed(i, j) * su1;
    const float row1 = Smoothed(i + 1, j + 1) * su + Smoothed(i, j + 1) * su1;
    return row0 * Blend(1.0f - fv) + row1 * Blend(fv);
}

float CHeightNoise::GetHeight(float x, float y) const
{
    if (m_octaves <= 0)
        return 0.0f;
    float sum = 0.0f;
    float f = m_frequency;
    float w = 1.0f;
    const float s = static_cast<float>(m_seedOffset);
    for (int o = 0; o < m_octaves; ++o) {
        sum += SmoothedNoise(f * y + s, f * x + s) * w;
        f *= 2.0f;
        w *= m_persistence;
    }
    return sum * m_amplitude;
}
