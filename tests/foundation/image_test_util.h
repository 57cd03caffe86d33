#pragma once
// Helpers shared by the image tests.
#include "work_folder.h"

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace imgtest {

struct TempDir {
    explicit TempDir(const char* tag) : path(NewTempFolder(tag)) {}
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = uint8_t(rng());
    return v;
}

inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

// A smooth colour picture (RGB rows) that JPEG keeps well.
inline std::vector<uint8_t> Gradient(int w, int h)
{
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            p[0] = uint8_t(255 * x / (w > 1 ? w - 1 : 1));
            p[1] = uint8_t(255 * y / (h > 1 ? h - 1 : 1));
            p[2] = uint8_t(255 * (x + y) / (w + h));
        }
    return rgb;
}

// Largest difference of two equally long byte buffers, and their mean difference.
inline void Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int& maxDiff, double& meanDiff)
{
    maxDiff = 0;
    double sum = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        int d = std::abs(int(a[i]) - int(b[i]));
        maxDiff = std::max(maxDiff, d);
        sum += d;
    }
    meanDiff = a.empty() ? 0 : sum / double(a.size());
}

} // namespace imgtest
