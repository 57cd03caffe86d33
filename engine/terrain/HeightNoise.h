#pragma once
#include <cstdint>

// Deterministic 2D value noise: hashed lattice values smoothed over their
// neighbours, blended with a cubic curve and summed over octaves.
class CHeightNoise {
public:
    CHeightNoise() = default;
    CHeightNoise(float persistence, float frequency, float amplitude, int octaves, int seed);
    ~CHeightNoise() = default;

    void Set(float persistence, float frequency, float amplitude, int octaves, int seed);

    float GetHeight(float x, float y) const;
    // Interpolated smoothed lattice value at (u, v).
    float SmoothedNoise(float u, float v) const;

    // Hashed lattice value in (-1, 1]; 32-bit wrap-around arithmetic.
    static float Noise(int32_t i, int32_t j);
    // Lattice value averaged with its eight neighbours.
    static float Smoothed(int32_t i, int32_t j);

    float GetPersistence() const { return m_persistence; }
    float GetFrequency() const { return m_frequency; }
    float GetAmplitude() const { return m_amplitude; }
    int GetOctaves() const { return m_octaves; }
    int GetSeedOffset() const { return m_seedOffset; }

private:
    float m_persistence = 0.0f;
    float m_frequency = 0.0f;
    float m_amplitude = 0.0f;
    int m_octaves = 0;
    int m_seedOffset = 0;
};
