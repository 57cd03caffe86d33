#include "engine/terrain/GLterrain.h"

#include "engine/gl/GLcamera.h"
#include "engine/terrain/HeightNoise.h"
#include "foundation/core/LargeBlock.h"
#include "foundation/core/Versions.h"
#include "foundation/core/WorkerPool.h"
#include "foundation/image/ImageFilters.h"
#include "foundation/math/Tables.h"
#include "engine/gl/GLcontext.h"
#include "platform/AtomicFile.h"
#include "platform/GL.h"
#include "platform/Paths.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMaxSide = 65535; // the smoothing addresses rows and columns in 16 bits

// The GL version text, or "" when no context is current (the data steps run headless too).
const char* GLVersionText()
{
    if (!GLContextIsCurrent())
        return "";
    const auto* v = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return v ? v : "";
}

// One cache file: its name and the array it holds.
struct CacheFile {
    const char* name;
    void* data;
    int64_t bytes;
};

// The height noise of every terrain (the cache's manifest records it).
constexpr float kNoisePersistence = 0.5f;
constexpr float kNoiseFrequency = 0.0005f;
constexpr float kNoiseAmplitude = 250.0f;
constexpr int kNoiseOctaves = 6;
constexpr int kNoiseSeed = 72;

// Written after the seven cache files: their sizes and checksums, the grid and the
// noise. Without it, or when it differs, the cache is built anew, so a set mixed
// by a write cut short, or another terrain's set, is never used.
constexpr char kManifestName[] = "cache.sum";
constexpr int64_t kSumBlock = int64_t(12) << 14; // checksums go block by block

// Checksum of one block (four lanes, so it keeps up with reading). Blocks are
// summed on their own, so that they can be read and checked side by side.
uint64_t SumBlock(const uint8_t* p, int64_t n)
{
    uint64_t lane[4] = {0, 0x9E3779B97F4A7C15ull, 0x632BE59BD9B4E019ull, ~0ull};
    int64_t k = 0;
    for (; k + 32 <= n; k += 32)
        for (int j = 0; j < 4; ++j) {
            uint64_t w;
            std::memcpy(&w, p + k + 8 * j, 8);
            lane[j] = (lane[j] ^ w) * 0x100000001B3ull + (lane[j] >> 29);
        }
    for (; k < n; ++k)
        lane[0] = (lane[0] ^ p[k]) * 0x100000001B3ull;
    return (lane[0] * 31 + lane[1]) * 31 + lane[2] * 7 + lane[3] + uint64_t(n);
}

// A file's checksum: its blocks' sums folded in order.
uint64_t FoldSum(uint64_t h, uint64_t block)
{
    return (h ^ block) * 0x100000001B3ull + (h >> 31);
}

uint64_t SumFile(const uint8_t* p, int64_t bytes)
{
    uint64_t h = 0;
    for (int64_t off = 0; off < bytes; off += kSumBlock)
        h = FoldSum(h, SumBlock(p + off, std::min(kSumBlock, bytes - off)));
    return h;
}

std::string ManifestHead(int width, int height, float cell, bool worldGrid)
{
    char text[256];
    std::snprintf(text, sizeof text, "grid %d %d %.9g %d\nnoise %.9g %.9g %.9g %d %d\n", width, height,
                  double(cell), worldGrid ? 1 : 0, double(kNoisePersistence), double(kNoiseFrequency),
                  double(kNoiseAmplitude), kNoiseOctaves, kNoiseSeed);
    return text;
}

std::string ManifestLine(const char* name, int64_t bytes, uint64_t sum)
{
    char text[128];
    std::snprintf(text, sizeof text, "%s %lld %016llx\n", name, static_cast<long long>(bytes),
                  static_cast<unsigned long long>(sum));
    return text;
}

// True when bad(word) is false for every word. bad is called on single words and
// on vectors of four (where it gives a lane mask), four vectors at a time.
template <typename Bad>
bool NoWordMatches(const uint32_t* u, int64_t n, Bad bad)
{
    using Words = uint32_t __attribute__((vector_size(16)));
    Words a = {}, b = {}, c = {}, d = {};
    auto at = [u](int64_t i) {
        Words w;
        std::memcpy(&w, u + i, sizeof w);
        return w;
    };
    int64_t k = 0;
    for (; k + 16 <= n; k += 16) {
        a |= Words(bad(at(k)));
        b |= Words(bad(at(k + 4)));
        c |= Words(bad(at(k + 8)));
        d |= Words(bad(at(k + 12)));
    }
    const Words all = a | b | c | d;
    uint32_t any = all[0] | all[1] | all[2] | all[3];
    for (; k < n; ++k)
        any |= uint32_t(bad(u[k]));
    return any == 0;
}

// Reads exactly `length` bytes at `offset` of the file into dst + offset.
bool ReadBlock(int fd, uint8_t* dst, int64_t offset, int64_t length)
{
    int64_t got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, dst + offset + got, size_t(length - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += n;
    }
    return true;
}

} // namespace

CGLterrain::CGLterrain() = default;

CGLterrain::~CGLterrain()
{
    // the scene frees the terrain first; this only makes sure no block leaks
    std::free(m_colors);
    std::free(m_normals);
    std::free(m_faceNormals);
    std::free(m_vertices);
    std::free(m_texCoords);
    std::free(m_indices);
}

void CGLterrain::SetGrid(int width, int height)
{
    m_heightScale = 1000.0f / m_cellSize;
    m_worldGrid = true;
    m_bitsPerPixel = 24;
    m_textureMode = true;
    m_smoothPasses = 5;
    m_width = width;
    m_height = height;
    m_count = int64_t(width) * height;
    m_indexCount = 6 * m_count;
}

int64_t CGLterrain::GetGridIndexCount() const
{
    if (m_width < 2 || m_height < 2)
        return 0;
    return 6 * int64_t(m_width - 1) * (m_height - 1);
}

bool CGLterrain::Build(int width, int height)
{
    Free();
    if (width < 2 || height < 2 || width > kMaxSide || height > kMaxSide)
        return CVersions::Print(false, "CGLterrain::Create Bad size %dx%d\r\n", width, height);
    SetGrid(width, height);
    if (!AllocArrays())
        return false;
    m_loaded = LoadFiles();
    if (!m_loaded) {
        BuildGrid();
        GenerateHeights();
        SmoothHeightGridThreaded(m_smoothPasses, m_width, m_height, m_vertices);
        ComputeTexCoords();
        ComputeColors(m_vertices);
        ComputeNormals(true);
        ComputeFaceNormals();
        SaveFiles();
    }
    return true;
}

void CGLterrain::Free()
{
    m_width = 0;
    m_height = 0;
    m_count = 0;
    m_indexCount = 0;
    m_pictureHeightScale = 0.0f;
    m_pictureFromFile = false;
    m_shader.Delete();
    m_vbo.Reset();
    m_radar.DeleteTexture();
    m_image.Destroy();
    m_cloud.Clear();
    m_chunks.Clear(); // they point into the arrays freed below
    if (m_texture != 0) {
        glDeleteTextures(1, &m_texture);
        m_texture = 0;
    }
    for (void** block : {reinterpret_cast<void**>(&m_colors), reinterpret_cast<void**>(&m_normals),
                         reinterpret_cast<void**>(&m_faceNormals), reinterpret_cast<void**>(&m_vertices),
                         reinterpret_cast<void**>(&m_texCoords), reinterpret_cast<void**>(&m_indices)}) {
        std::free(*block);
        *block = nullptr;
    }
}

bool CGLterrain::Create(int width, int height)
{
    if (!Build(width, height))
        return false;
    if (!m_radar.Create(m_width, m_height, m_bitsPerPixel, m_colors, m_vertices, m_cellSize))
        CVersions::Print(false, "CGLterrain::Create Error Create Radar\n");
    m_shader.Create("Shader\\TestFs2Reduced.frag", "Shader\\TestFs2Reduced.vert", "Shader\\Demo.geom");
    m_chunks.Create(m_width, m_height, m_cellSize, m_textureMode, !m_textureMode, this, m_vertices, m_normals,
                    m_texCoords, m_colors, m_indices, &m_shader);
    return true;
}

void CGLterrain::Render(CGLcamera* view, int* counter)
{
    if (!m_worldGrid) {
        glEnable(GL_LIGHTING);
        glActiveTexture(GL_TEXTURE0);
        if (m_textureMode) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, m_texture);
        } else {
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        const int64_t n = GetGridIndexCount();
        m_vbo.Draw(false, m_textureMode, !m_textureMode, 0, int(std::min<int64_t>(n, INT32_MAX)));
        if (m_textureMode)
            glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        return;
    }
    m_chunks.Render(view, m_texture, m_textureMode, counter);
}

int CGLterrain::FollowGround(CGLcamera* camera, int* collisions)
{
    if (!camera)
        return 0;
    CVec3 push;
    GroundPush(push, *camera->GetPosition(), camera->GetRadius());
    if (push.x != 0.0f || push.y != 0.0f || push.z != 0.0f)
        camera->AddPush(push * 0.5f);
    const int count = camera->GetCollisionCounter();
    if (collisions)
        *collisions = count;
    return count;
}

bool CGLterrain::AllocArrays()
{
    const int64_t n = m_count;
    const double gb = double(n) * 65.0 / double(int64_t(1) << 30);
    CVersions::Print(true, "CGLterrain::Create Try to alloc %0.1f GB Version %s\r\n", gb, GLVersionText());

    struct Block {
        void** target;
        int64_t bytes;
        const char* message;
    } blocks[] = {
        {reinterpret_cast<void**>(&m_colors), 12 * n, "CGLterrain::Create Color Out of Memory %lld\r\n"},
        {reinterpret_cast<void**>(&m_normals), 12 * n, "CGLterrain::Create Normals Out of Memory %lld\r\n"},
        {reinterpret_cast<void**>(&m_faceNormals), 12 * n, "CGLterrain::Create FaceNorm Out of Memory %lld\r\n"},
        {reinterpret_cast<void**>(&m_vertices), 12 * n, "CGLterrain::Create Vertice Out of Memory %lld\r\n"},
        {reinterpret_cast<void**>(&m_texCoords), 8 * n, "CGLterrain::Create TVertice Out of Memory %lld\r\n"},
        {reinterpret_cast<void**>(&m_indices), 4 * m_indexCount, "CGLterrain::Create Index Out of Memory %lld\r\n"},
    };
    for (const auto& b : blocks) {
        *b.target = b.bytes > 0 ? AllocLarge(size_t(b.bytes)) : nullptr;
        if (!*b.target) {
            Free();
            return CVersions::Print(false, b.message, static_cast<long long>(b.bytes));
        }
    }
    return true;
}

void CGLterrain::BuildGrid()
{
    const int W = m_width;
    const int H = m_height;
    const float cell = m_worldGrid ? m_cellSize : 1.0f;
    ParallelRanges(H, [&](int64_t i0, int64_t i1) {
        for (int64_t i = i0; i < i1; ++i) {
            const float y = float(int(i) - H / 2) * cell;
            CVec3* row = m_vertices + i * W;
            for (int j = 0; j < W; ++j) {
                row[j].x = float(j - W / 2) * cell;
                row[j].y = y;
            }
        }
    });
    // six indices per cell; the entries past the grid's cells stay zero
    const int64_t cells = GetGridIndexCount();
    ParallelRanges(H - 1, [&](int64_t i0, int64_t i1) {
        for (int64_t i = i0; i < i1; ++i) {
            uint32_t* out = m_indices + 6 * i * (W - 1);
            for (int j = 0; j < W - 1; ++j) {
                const uint32_t k = uint32_t(i * W + j);
                const uint32_t w = uint32_t(W);
                *out++ = k;
                *out++ = k + w;
                *out++ = k + 1;
                *out++ = k + w;
                *out++ = k + w + 1;
                *out++ = k + 1;
            }
        }
    });
    if (m_indexCount > cells)
        std::memset(m_indices + cells, 0, size_t(m_indexCount - cells) * sizeof(uint32_t));
}

void CGLterrain::GenerateHeights()
{
    CHeightNoise noise;
    noise.Set(kNoisePersistence, kNoiseFrequency, kNoiseAmplitude, kNoiseOctaves, kNoiseSeed);
    const float scale = m_heightScale;
    const int64_t n = m_count;
    std::mutex merge;
    float maxZ = FLT_MIN;
    float minZ = FLT_MAX;
    ParallelRanges(n, [&](int64_t k0, int64_t k1) {
        float hi = FLT_MIN;
        float lo = FLT_MAX;
        for (int64_t k = k0; k < k1; ++k) {
            CVec3& v = m_vertices[k];
            float a = noise.GetHeight(v.x, v.y);
            if (a < 36.0f)
                a *= 0.022f;
            v.z = a * scale;
            hi = std::max(hi, v.z);
            lo = std::min(lo, v.z);
        }
        std::lock_guard lock(merge);
        maxZ = std::max(maxZ, hi);
        minZ = std::min(minZ, lo);
    });
    ParallelRanges(n, [&](int64_t k0, int64_t k1) {
        for (int64_t k = k0; k < k1; ++k)
            m_vertices[k].z = (m_vertices[k].z - minZ) + 0.1f;
    });
    m_maxHeight = maxZ - minZ;
    m_minHeight = 0.0f;
}

void CGLterrain::ComputeTexCoords()
{
    const int W = m_width;
    const int H = m_height;
    const float cell = m_cellSize;
    ParallelRanges(H, [&](int64_t i0, int64_t i1) {
        for (int64_t i = i0; i < i1; ++i) {
            const float v = 1.0f - (float(i) * cell) / (float(H - 1) * cell);
            float* out = m_texCoords + 2 * i * W;
            for (int j = 0; j < W; ++j) {
                out[2 * j] = (float(j) * cell) / (float(W - 1) * cell);
                out[2 * j + 1] = v;
            }
        }
    });
}

void CGLterrain::ComputeColors(const CVec3* vertices)
{
    const float lo = m_minHeight;
    const float hi = m_maxHeight;
    ParallelRanges(m_count, [&](int64_t k0, int64_t k1) {
        for (int64_t k = k0; k < k1; ++k)
            ValueToColorFine(m_colors[k], vertices[k].z, lo, hi);
    });
}

void CGLterrain::ComputeNormals(bool smooth)
{
    const int64_t W = m_width;
    const int64_t H = m_height;
    const CVec3* v = m_vertices;
    if (!smooth) {
        for (int64_t k = 0; k < m_count - W; ++k) {
            CVec3 a = v[k + 1] - v[k + 2];
            CVec3 b = v[k + 1] - v[k + W];
            m_normals[k].Cross(a, b);
        }
        return;
    }
    // Each vertex gathers the triangle normals of its (up to four) cells in the
    // order a row-by-row pass over the cells would add them.
    auto tri1 = [&](int64_t i, int64_t j) { // (R - P) x (Q - P) of cell (i, j)
        const CVec3& P = v[i * W + j];
        CVec3 n;
        return n.Cross(v[(i + 1) * W + j] - P, v[i * W + j + 1] - P);
    };
    auto tri2 = [&](int64_t i, int64_t j) { // (R - Q) x (S - Q) of cell (i, j)
        const CVec3& Q = v[i * W + j + 1];
        CVec3 n;
        return n.Cross(v[(i + 1) * W + j] - Q, v[(i + 1) * W + j + 1] - Q);
    };
    ParallelRanges(H, [&](int64_t i0, int64_t i1) {
        for (int64_t i = i0; i < i1; ++i) {
            for (int64_t j = 0; j < W; ++j) {
                CVec3 sum(0.0f, 0.0f, 0.0f);
                const bool up = i > 0, down = i < H - 1, left = j > 0, right = j < W - 1;
                if (up && left)
                    sum += tri2(i - 1, j - 1); // as S
                if (up && right) {
                    sum += tri1(i - 1, j); // as R
                    sum += tri2(i - 1, j);
                }
                if (down && left) {
                    sum += tri1(i, j - 1); // as Q
                    sum += tri2(i, j - 1);
                }
                if (down && right)
                    sum += tri1(i, j); // as P
                const float len = sum.Length();
                if (len > 0.0f)
                    sum = CVec3(sum.x / len, sum.y / len, sum.z / len);
                m_normals[i * W + j] = sum;
            }
        }
    });
}

void CGLterrain::ComputeFaceNormals()
{
    const int64_t W = m_width;
    const int64_t H = m_height;
    const CVec3* v = m_vertices;
    auto cellNormal = [&](int64_t i, int64_t j) {
        const CVec3& P = v[i * W + j];
        CVec3 f;
        f.Cross(v[i * W + j + 1] - P, v[(i + 1) * W + j] - P);
        const float len = f.Length();
        if (len > 0.0f)
            f = CVec3(f.x / len, f.y / len, f.z / len);
        return f;
    };
    // a vertex holds the normal of the cell it starts; the last column and row
    // take the cell to their left or above; the far corner keeps zero
    ParallelRanges(H, [&](int64_t i0, int64_t i1) {
        for (int64_t i = i0; i < i1; ++i)
            for (int64_t j = 0; j < W; ++j) {
                const int64_t ci = i < H - 1 ? i : i - 1;
                const int64_t cj = j < W - 1 ? j : j - 1;
                const bool corner = i == H - 1 && j == W - 1;
                m_faceNormals[i * W + j] = corner || ci < 0 || cj < 0 ? CVec3() : cellNormal(ci, cj);
            }
    });
}

CVec3& CGLterrain::GroundPush(CVec3& out, const CVec3& p, float radius) const
{
    out = CVec3();
    if (!m_vertices || !m_faceNormals || m_width < 2 || m_height < 2 || !(m_cellSize > 0.0f))
        return out;
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) || !std::isfinite(radius))
        return out;
    const float c = 2.0f * m_cellSize + radius;
    const float f = 1.0f / m_cellSize;
    const int W = m_width;
    const int H = m_height;
    // grid offsets of far-away points are limited before the int conversion
    auto cellOf = [](float v) { return int(std::max(-1.0e9f, std::min(1.0e9f, v))); };
    const int i0 = std::max(0, H / 2 + cellOf((p.y - c) * f));
    const int i1 = std::min(H / 2 + cellOf((p.y + c) * f), H - 1);
    const int j0 = std::max(0, W / 2 + cellOf((p.x - c) * f));
    const int j1 = std::min(W / 2 + cellOf((p.x + c) * f), W - 1);
    const float c2 = c * c;
    for (int i = i0; i <= i1; ++i)
        for (int j = j0; j <= j1; ++j) {
            const int64_t k = int64_t(i) * W + j;
            const CVec3& v = m_vertices[k];
            const float d2 = (p - v).LengthSq();
            if (d2 > c2)
                continue;
            const float o = d2 == 0.0f ? c : c - std::sqrt(d2);
            out += m_faceNormals[k] * (o * 0.1f);
        }
    return out;
}

float CGLterrain::GetHeightAt(const CVec3& p) const
{
    if (!m_vertices || m_width <= 1 || m_height <= 1 || !(m_cellSize > 0.0f))
        return 0.0f;
    const int W = m_width;
    const int H = m_height;
    // grid coordinates as the grid lays its vertices out (integer halves)
    const float gx = p.x / m_cellSize + float(W / 2);
    const float gy = p.y / m_cellSize + float(H / 2);
    if (!(gx >= 0.0f) || !(gy >= 0.0f) || gx > float(W - 1) || gy > float(H - 1))
        return m_minHeight;
    // clamp the cell first, then take the fraction, so the far edge reads its own heights
    const int ix = std::min(int(std::floor(gx)), W - 2);
    const int iy = std::min(int(std::floor(gy)), H - 2);
    const float fx = gx - float(ix);
    const float fy = gy - float(iy);
    const CVec3* r0 = m_vertices + int64_t(iy) * W;
    const CVec3* r1 = r0 + W;
    return ((1.0f - fx) * r0[ix].z + fx * r0[ix + 1].z) * (1.0f - fy) +
           ((1.0f - fx) * r1[ix].z + fx * r1[ix + 1].z) * fy;
}

bool CGLterrain::SaveFiles()
{
    if (!m_colors || !m_normals || !m_faceNormals || !m_vertices || !m_texCoords || !m_indices)
        return false;
    const std::string folder = platform::ResolvePath(m_cacheFolder);
    if (!platform::DirectoryExists(folder))
        platform::CreateDirectories(folder);
    const float vars[2] = {m_maxHeight, m_minHeight};
    const CacheFile files[] = {
        {"Color.ter", m_colors, 12 * m_count},     {"Norm.ter", m_normals, 12 * m_count},
        {"FaceNorm.ter", m_faceNormals, 12 * m_count}, {"Vert.ter", m_vertices, 12 * m_count},
        {"TVert.ter", m_texCoords, 8 * m_count},   {"Indice.ter", m_indices, 4 * m_indexCount},
        {"TerrVar.ter", const_cast<float*>(vars), 8},
    };
    const std::string manifestPath = platform::JoinPath(folder, kManifestName);
    const std::string refusal = platform::SaveRefusal(manifestPath);
    if (!refusal.empty())
        return CVersions::Print(false, "CGLterrain::SaveFiles %s: %s: left as it is, the cache is not written\r\n",
                                manifestPath.c_str(), refusal.c_str());
    // the old manifest goes first: until the new one is written, the set is not used
    // (a link there is kept, the file behind it emptied)
    struct stat st;
    if (::lstat(manifestPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        static_cast<void>(::truncate(manifestPath.c_str(), 0));
    else
        ::unlink(manifestPath.c_str());
    std::string manifest = ManifestHead(m_width, m_height, m_worldGrid ? m_cellSize : 1.0f, m_worldGrid);
    for (const auto& f : files) {
        const std::string path = platform::JoinPath(folder, f.name);
        if (!platform::WriteFileAtomic(path, f.data, size_t(f.bytes)))
            return CVersions::Print(false, "CGLterrain::SaveFiles cannot write %s\r\n", path.c_str());
        manifest += ManifestLine(f.name, f.bytes, SumFile(static_cast<const uint8_t*>(f.data), f.bytes));
    }
    if (!platform::WriteFileAtomic(manifestPath, manifest.data(), manifest.size()))
        return CVersions::Print(false, "CGLterrain::SaveFiles cannot write %s\r\n", manifestPath.c_str());
    return true;
}

bool CGLterrain::SealCacheFiles() const
{
    static const char* const kNames[] = {"Color.ter", "Norm.ter", "FaceNorm.ter", "Vert.ter",
                                         "TVert.ter", "Indice.ter", "TerrVar.ter"};
    const std::string folder = platform::ResolvePath(m_cacheFolder);
    std::string manifest = ManifestHead(m_width, m_height, m_worldGrid ? m_cellSize : 1.0f, m_worldGrid);
    for (const char* name : kNames) {
        std::vector<uint8_t> bytes;
        if (!platform::ReadWholeFile(platform::JoinPath(folder, name), bytes, UINT64_MAX))
            return false;
        manifest += ManifestLine(name, int64_t(bytes.size()), SumFile(bytes.data(), int64_t(bytes.size())));
    }
    return platform::WriteFileAtomic(platform::JoinPath(folder, kManifestName), manifest.data(), manifest.size());
}

bool CGLterrain::LoadFiles()
{
    if (!m_colors || !m_normals || !m_faceNormals || !m_vertices || !m_texCoords || !m_indices)
        return false;
    const int W = m_width;
    const float cell = m_worldGrid ? m_cellSize : 1.0f;
    const int64_t count = m_count;

    // Checks run on each block just read (whole vertices: blocks are a multiple of 12 bytes).
    auto finiteFloats = [](const uint8_t* base, int64_t from, int64_t to) {
        // infinity or NaN: all exponent bits set
        return NoWordMatches(reinterpret_cast<const uint32_t*>(base + from), (to - from) / 4,
                             [](auto u) { return (u & 0x7f800000u) == 0x7f800000u; });
    };
    // colours are 0..1 (and -0): no sign bit, not above 1.0
    auto colours = [](const uint8_t* base, int64_t from, int64_t to) {
        return NoWordMatches(reinterpret_cast<const uint32_t*>(base + from), (to - from) / 4,
                             [](auto u) { return (u > 0x3F800000u) & (u != 0x80000000u); });
    };
    // unit normals: no component beyond 1 (with rounding); refuses inf and NaN too
    auto unitComponents = [](const uint8_t* base, int64_t from, int64_t to) {
        return NoWordMatches(reinterpret_cast<const uint32_t*>(base + from), (to - from) / 4,
                             [](auto u) { return (u & 0x7fffffffu) > 0x3F8020C5u; }); // 1.001
    };
    constexpr uint32_t kMaxHeightBits = 0x49742400u; // 1e6
    // x and y must be the grid's own; a cache of another shape fails here
    std::vector<float> columnX(static_cast<size_t>(W));
    for (int j = 0; j < W; ++j)
        columnX[size_t(j)] = float(j - W / 2) * cell;
    auto gridVertices = [&](const uint8_t* base, int64_t from, int64_t to) {
        const CVec3* v = reinterpret_cast<const CVec3*>(base + from);
        int64_t index = from / 12;
        const int64_t end = to / 12;
        uint32_t bad = 0;
        while (index < end) {
            // the rest of one row: branch-free over its columns
            const int64_t row = index / W;
            const int64_t j0 = index % W;
            const int64_t n = std::min<int64_t>(W - j0, end - index);
            const float y = float(int(row) - m_height / 2) * cell;
            const float* x = columnX.data() + j0;
            auto wrong = [&](int64_t k) {
                // heights within the generator's reach (this also refuses inf and NaN)
                return uint32_t(v[k].x != x[k]) | uint32_t(v[k].y != y) |
                       uint32_t((std::bit_cast<uint32_t>(v[k].z) & 0x7fffffffu) > kMaxHeightBits);
            };
            constexpr int kLanes = 16; // separate accumulators, which the compiler vectorises
            uint32_t acc[kLanes] = {};
            int64_t k = 0;
            for (; k + kLanes <= n; k += kLanes)
                for (int j = 0; j < kLanes; ++j)
                    acc[j] |= wrong(k + j);
            for (; k < n; ++k)
                bad |= wrong(k);
            for (int j = 0; j < kLanes; ++j)
                bad |= acc[j];
            v += n;
            index += n;
        }
        return bad == 0;
    };
    const uint32_t indexLimit = uint32_t(std::min<int64_t>(count, UINT32_MAX)); // beyond: none is too big
    const int64_t gridIndexBytes = 4 * GetGridIndexCount(); // the rest of the file is zero
    auto indicesInRange = [indexLimit, count, gridIndexBytes](const uint8_t* base, int64_t from, int64_t to) {
        const auto* u = reinterpret_cast<const uint32_t*>(base + from);
        const int64_t grid = std::clamp<int64_t>(gridIndexBytes - from, 0, to - from) / 4;
        // a triangle with two equal corners has no area: the grid never makes one
        uint32_t flat = 0;
        for (int64_t k = 0; k + 3 <= grid; k += 3)
            flat |= uint32_t(u[k] == u[k + 1]) | uint32_t(u[k + 1] == u[k + 2]) | uint32_t(u[k] == u[k + 2]);
        return flat == 0 && grid % 3 == 0 &&
               (count > int64_t(UINT32_MAX) || NoWordMatches(u, grid, [indexLimit](auto w) { return w >= indexLimit; })) &&
               NoWordMatches(u + grid, (to - from) / 4 - grid, [](auto w) { return w != 0; });
    };

    float vars[2] = {0.0f, 0.0f};
    struct Entry {
        CacheFile file;
        std::function<bool(const uint8_t*, int64_t, int64_t)> check;
    } entries[] = {
        {{"Color.ter", m_colors, 12 * count}, colours},
        {{"Norm.ter", m_normals, 12 * count}, unitComponents},
        {{"FaceNorm.ter", m_faceNormals, 12 * count}, unitComponents},
        {{"Vert.ter", m_vertices, 12 * count}, gridVertices},
        {{"TVert.ter", m_texCoords, 8 * count}, finiteFloats},
        {{"Indice.ter", m_indices, 4 * m_indexCount}, indicesInRange},
        {{"TerrVar.ter", vars, 8}, finiteFloats},
    };
    constexpr int kFiles = int(sizeof entries / sizeof entries[0]);
    int fds[kFiles];
    std::string paths[kFiles];
    auto closeAll = [&](int n) {
        for (int f = 0; f < n; ++f)
            ::close(fds[f]);
    };
    // the manifest: grid and noise must be this terrain's, and each file's size and
    // checksum are compared once it is read
    std::vector<std::string> manifestLines;
    {
        const std::string path = platform::ResolvePath(platform::JoinPath(m_cacheFolder, kManifestName));
        std::vector<uint8_t> bytes;
        std::string why;
        if (!platform::ReadWholeFile(path, bytes, 1 << 16, &why)) {
            if (why == "not found" && !platform::FileExists(platform::ResolvePath(
                                          platform::JoinPath(m_cacheFolder, entries[0].file.name))))
                return false; // no cache at all: built without a word
            return CVersions::Print(false, "CGLterrain::LoadFiles %s: %s: building the terrain anew\r\n",
                                    path.c_str(), why.c_str());
        }
        const std::string text(bytes.begin(), bytes.end());
        const std::string head = ManifestHead(m_width, m_height, cell, m_worldGrid);
        if (text.compare(0, head.size(), head) != 0)
            return CVersions::Print(false, "CGLterrain::LoadFiles %s is another terrain's: building it anew\r\n",
                                    path.c_str());
        size_t at = head.size();
        while (at < text.size()) {
            const size_t end = text.find('\n', at);
            manifestLines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at + 1));
            at = end == std::string::npos ? text.size() : end + 1;
        }
    }
    for (int f = 0; f < kFiles; ++f) {
        const auto& e = entries[f];
        paths[f] = platform::ResolvePath(platform::JoinPath(m_cacheFolder, e.file.name));
        std::string why;
        fds[f] = platform::OpenRegularFile(paths[f], UINT64_MAX, &why);
        if (fds[f] < 0) {
            closeAll(f);
            return CVersions::Print(false, "CGLterrain::LoadFiles %s: %s: building the terrain anew\r\n",
                                    paths[f].c_str(), why.c_str());
        }
        struct stat st {};
        if (::fstat(fds[f], &st) != 0 || int64_t(st.st_size) != e.file.bytes) {
            closeAll(f + 1);
            return CVersions::Print(false, "CGLterrain::LoadFiles %s has %lld bytes, not %lld: building the terrain anew\r\n",
                                    paths[f].c_str(), static_cast<long long>(st.st_size),
                                    static_cast<long long>(e.file.bytes));
        }
    }

    // One pass: each block of whole vertices is checked right after it is read,
    // while it is still in the processor's cache, and the blocks of all files are
    // read side by side on the worker threads.
    constexpr int64_t kBlock = int64_t(12) << 14; // 192 KiB, a multiple of 12 bytes and of 3 indices
    static_assert(kBlock == kSumBlock, "checksums follow the read blocks");
    struct Block {
        int file;
        int64_t offset;
    };
    std::vector<Block> blocks;
    for (int f = 0; f < kFiles; ++f)
        for (int64_t off = 0; off < entries[f].file.bytes; off += kBlock)
            blocks.push_back({f, off});
    std::vector<uint64_t> sums(blocks.size(), 0);
    std::vector<char> blockBad(blocks.size(), 0);
    std::atomic<size_t> next{0};
    constexpr size_t kTake = 4; // blocks a thread takes at a time
    const int threads = int(std::clamp<size_t>(blocks.size() / kTake, 1, size_t(ParallelWidth())));
    CWorkerPool::Shared().RunDynamic(threads, [&](int) {
        for (size_t t = next.fetch_add(kTake); t < blocks.size(); t = next.fetch_add(kTake))
            for (size_t k = t; k < std::min(blocks.size(), t + kTake); ++k) {
                const Entry& e = entries[blocks[k].file];
                auto* base = static_cast<uint8_t*>(e.file.data);
                const int64_t off = blocks[k].offset;
                const int64_t length = std::min(kBlock, e.file.bytes - off);
                if (!ReadBlock(fds[blocks[k].file], base, off, length) || !e.check(base, off, off + length))
                    blockBad[k] = 1;
                else
                    sums[k] = SumBlock(base + off, length);
            }
    });
    int firstBad = kFiles;
    bool sumsDiffer = false;
    for (size_t k = 0, f = 0; f < size_t(kFiles) && firstBad == kFiles; ++f) {
        uint64_t sum = 0;
        bool bad = false;
        for (; k < blocks.size() && blocks[k].file == int(f); ++k) {
            bad = bad || blockBad[k];
            sum = FoldSum(sum, sums[k]);
        }
        const auto& e = entries[f];
        if (bad)
            firstBad = int(f);
        else if (f >= manifestLines.size() || manifestLines[f] != ManifestLine(e.file.name, e.file.bytes, sum)) {
            firstBad = int(f);
            sumsDiffer = true;
        }
    }
    closeAll(kFiles);
    if (firstBad < kFiles && sumsDiffer)
        return CVersions::Print(false, "CGLterrain::LoadFiles %s differs from the cache's manifest: building the terrain anew\r\n",
                                paths[firstBad].c_str());
    if (firstBad < kFiles)
        return CVersions::Print(false, "CGLterrain::LoadFiles %s does not fit this terrain: building it anew\r\n",
                                paths[firstBad].c_str());
    if (!(vars[0] >= vars[1]))
        return CVersions::Print(false, "CGLterrain::LoadFiles TerrVar.ter holds no height range: building the terrain anew\r\n");
    m_maxHeight = vars[0];
    m_minHeight = vars[1];
    return true;
}
