// Threaded height-grid smoothing, bit-identical to the passes run one after another.
//
// A pass is one long chain: every vertex reads its left neighbour and the row above
// as this pass already rewrote them, and the rest as the pass before left them. So
// the passes run side by side in one sweep, each width + 2 vertices behind the one
// before (by then the pass before has finished every vertex the later one reads, and
// read for the last time every vertex it overwrites). The processor overlaps the
// passes' chains, one step of each per vertex.
//
// Threads take bands of vertices. A band other than the first cannot know the new
// values just before it: it starts each pass a few rows early (the halo) from
// whatever the plane holds there; the smoothing forgets its start quickly, so by the
// band's start the halo has almost always reached the exact values. Each band keeps
// what every pass left in the width + 1 vertices before its start (all that the band
// depends on besides its own vertices) and before its end. Where a band's start
// differs from what the band before really computed, the band is run again from its
// own start, seeded with the band before's exact values, so the result is exact in
// every case.
//
// The heights a sweep starts from are copied out of the grid a chunk at a time, by
// whichever band needs a chunk first, as the bands' first passes reach it; a band
// writes its vertices into the grid as its last pass finishes them, by then long
// copied. So reading and writing the grid run beside the smoothing.
#include "foundation/image/ImageFilters.h"

#include "foundation/core/WorkerPool.h"
#include "foundation/math/Vec3.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kBatchThreads = 10;
constexpr int kMaxSweep = 10; // passes in one sweep
// the halo a sweep needs grows with its passes (each pass adds to the start's error)
constexpr int kHaloRows = 12, kHaloRowsPerPass = 2;
constexpr size_t kPieceSteps = 4096; // steps between two loads of heights and writes into the grid
constexpr size_t kChunk = 4096;      // heights copied out of the grid at a time

// The new height of vertex n. prev is the new height of n - 1, up the new heights
// of n - w - 1, n - w, n - w + 1; s points at vertex n in the pass before. The
// sum keeps the grouping of the one-pass rule.
inline float Step(float prev, const float* up, const float* s, size_t w)
{
    const float z = s[0];
    const float left = prev + s[w - 1];
    const float side = (up[0] + s[1]) + left;
    const float sum = ((up[1] + s[w]) + (up[2] + s[w + 1])) + side;
    const float v = (sum * 0.125f + z) * 0.5f;
    return (z == 0.0f || z != z) ? z : v;
}

// Sweep steps [i0, i1) of passes p0 .. p0 + K - 1: at step i pass p smooths
// vertex i - p x lag of the plane h, in place.
template <int K>
void SweepSteps(float* h, size_t w, size_t lag, size_t i0, size_t i1, int p0, float* prev)
{
    float r[K];
    for (int k = 0; k < K; ++k)
        r[k] = prev[p0 + k];
    for (size_t i = i0; i < i1; ++i)
        for (int k = 0; k < K; ++k) {
            const size_t n = i - size_t(p0 + k) * lag;
            r[k] = Step(r[k], h + (n - w - 1), h + n, w);
            h[n] = r[k];
        }
    for (int k = 0; k < K; ++k)
        prev[p0 + k] = r[k];
}

void SweepStepsOf(int count, float* h, size_t w, size_t lag, size_t i0, size_t i1, int p0, float* prev)
{
    switch (count) {
    case 1: return SweepSteps<1>(h, w, lag, i0, i1, p0, prev);
    case 2: return SweepSteps<2>(h, w, lag, i0, i1, p0, prev);
    case 3: return SweepSteps<3>(h, w, lag, i0, i1, p0, prev);
    case 4: return SweepSteps<4>(h, w, lag, i0, i1, p0, prev);
    case 5: return SweepSteps<5>(h, w, lag, i0, i1, p0, prev);
    case 6: return SweepSteps<6>(h, w, lag, i0, i1, p0, prev);
    case 7: return SweepSteps<7>(h, w, lag, i0, i1, p0, prev);
    case 8: return SweepSteps<8>(h, w, lag, i0, i1, p0, prev);
    case 9: return SweepSteps<9>(h, w, lag, i0, i1, p0, prev);
    default: return SweepSteps<10>(h, w, lag, i0, i1, p0, prev);
    }
}

// The heights a sweep starts from. Shared by several bands: a chunk is copied out
// of the grid once, by the first band to need it, and read by every band from the
// copy. Alone: a band reads the grid itself.
class Heights {
public:
    // shared: room for count heights, or null for a band alone
    Heights(const CVec3* grid, size_t count, float* shared) : m_grid(grid), m_count(count), m_copy(shared)
    {
        if (!shared)
            return;
        m_state = std::make_unique<std::atomic<uint8_t>[]>((count + kChunk - 1) / kChunk);
    }

    // Heights [from, to) into dst.
    void Read(float* dst, size_t from, size_t to)
    {
        if (!m_copy) {
            for (size_t n = from; n < to; ++n)
                dst[n - from] = m_grid[n].z;
            return;
        }
        for (size_t c = from / kChunk; c * kChunk < to; ++c)
            Copied(c);
        std::memcpy(dst, m_copy + from, (to - from) * sizeof(float));
    }

private:
    enum : uint8_t { kNotCopied, kCopying, kCopied };

    void Copied(size_t c)
    {
        std::atomic<uint8_t>& state = m_state[c];
        uint8_t now = state.load(std::memory_order_acquire);
        if (now == kCopied)
            return;
        if (now == kNotCopied && state.compare_exchange_strong(now, kCopying, std::memory_order_acquire)) {
            const size_t end = std::min(m_count, (c + 1) * kChunk);
            for (size_t n = c * kChunk; n < end; ++n)
                m_copy[n] = m_grid[n].z;
            state.store(kCopied, std::memory_order_release);
            return;
        }
        while (state.load(std::memory_order_acquire) != kCopied) // another band is copying it
            std::this_thread::yield();
    }

    const CVec3* m_grid;
    size_t m_count;
    float* m_copy;
    std::unique_ptr<std::atomic<uint8_t>[]> m_state;
};

// One band of one sweep: `passes` passes over the vertices [begin, end) of the grid,
// the passes starting haloRows rows early (not before the first smoothed vertex) and
// running on past the band as far as the later passes read. Works on its own copy of
// the heights it touches.
class Band {
public:
    Band(size_t w, size_t first, size_t last, size_t begin, size_t end, int passes, int haloRows)
        : m_w(w), m_lag(w + 2), m_begin(begin), m_end(end), m_passes(passes)
    {
        for (int p = 0; p < passes; ++p) {
            // later passes start later and end later, so the passes at work at any
            // step are consecutive, and each starts where the one before has been
            const size_t halo = size_t(haloRows) * w + size_t(passes - 1 - p) * 2;
            m_from[p] = begin == first ? first : std::max(first, begin - std::min(begin, halo));
            m_to[p] = std::min(last, end + size_t(passes - 1 - p) * (w + 1)); // what the next pass reads
        }
        m_low = m_from[0] - w - 1;
        m_high = std::min(m_to[0] + w + 1, last + w + 1); // what the first pass reads
    }

    // Runs the sweep on its own copy of the heights, read as the first pass reaches
    // them; writes the band's vertices into the grid as the last pass finishes them;
    // keeps the vertices before the band's start (top) and end (bottom) as each pass
    // leaves them. Seeded with the band before (its exact bottom rows), it runs
    // without a halo: each pass finds its own exact values before the band's start.
    void Run(Heights& in, CVec3* grid, std::vector<float>& plane, const Band* seed = nullptr)
    {
        if (seed)
            for (int p = 0; p < m_passes; ++p)
                m_from[p] = m_begin;
        m_low = std::min(m_low, m_begin - m_w - 1);
        plane.resize(m_high - m_low);
        float* h = plane.data();
        size_t loaded = m_low; // the plane holds the heights [m_low, loaded)
        auto load = [&](size_t to) {
            to = std::min(to, m_high);
            if (to > loaded) {
                in.Read(h + (loaded - m_low), loaded, to);
                loaded = to;
            }
        };
        const size_t keep = m_w + 1;
        m_top.assign(size_t(m_passes) * keep, 0.0f);
        m_bottom.assign(size_t(m_passes) * keep, 0.0f);
        // every step where the passes at work change or a row is to be kept
        std::vector<size_t> marks;
        for (int p = 0; p < m_passes; ++p) {
            const size_t shift = size_t(p) * m_lag;
            marks.push_back(m_from[p] + shift);
            marks.push_back(m_to[p] + shift);
            marks.push_back(m_begin + shift + 1);
            marks.push_back(m_end + shift + 1);
        }
        std::sort(marks.begin(), marks.end());
        marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
        const int lastPass = m_passes - 1;
        const size_t lastShift = size_t(lastPass) * m_lag;
        load(m_from[0] + m_w + 2); // all that the first step reads
        float prev[kMaxSweep] = {};
        for (size_t m = 0; m + 1 <= marks.size(); ++m) {
            const size_t i = marks[m];
            for (int p = 0; p < m_passes; ++p) {
                const size_t shift = size_t(p) * m_lag;
                if (seed && i == m_begin + shift) // the pass before has read them for the last time
                    std::memcpy(h + (m_begin - keep - m_low), &seed->m_bottom[size_t(p) * keep], keep * sizeof(float));
                if (i == m_from[p] + shift) // a pass starts from what the plane holds
                    prev[p] = h[m_from[p] - 1 - m_low];
                // pass p has finished the kept vertices; pass p + 1 has not reached them
                if (i == m_begin + shift + 1 && m_begin >= m_low + keep)
                    std::memcpy(&m_top[size_t(p) * keep], h + (m_begin - keep - m_low), keep * sizeof(float));
                if (i == m_end + shift + 1)
                    std::memcpy(&m_bottom[size_t(p) * keep], h + (m_end - keep - m_low), keep * sizeof(float));
            }
            if (m + 1 == marks.size())
                break;
            const size_t next = marks[m + 1];
            int p0 = m_passes, p1 = -1; // the passes at work in [i, next)
            for (int p = 0; p < m_passes; ++p) {
                const size_t shift = size_t(p) * m_lag;
                if (m_from[p] + shift <= i && next <= m_to[p] + shift) {
                    p0 = std::min(p0, p);
                    p1 = p;
                }
            }
            for (size_t a = i; a < next && p1 >= p0;) {
                const size_t b = std::min(next, a + kPieceSteps);
                if (p0 == 0) // step s of the first pass reads up to vertex s + w + 1
                    load(b + m_w + 1);
                SweepStepsOf(p1 - p0 + 1, h, m_w, m_lag, a - m_low, b - m_low, p0, prev); // steps counted from m_low
                if (p1 == lastPass) { // the band's vertices the last pass finished
                    const size_t v1 = std::min(m_end, b - lastShift);
                    for (size_t n = std::max(m_begin, a - lastShift); n < v1; ++n)
                        grid[n].z = h[n - m_low];
                }
                a = b;
            }
        }
    }

    // True when this band's start saw what the band before computed, in every pass.
    bool Follows(const Band& before) const
    {
        return std::memcmp(m_top.data(), before.m_bottom.data(), m_top.size() * sizeof(float)) == 0;
    }

private:
    size_t m_w, m_lag, m_begin, m_end;
    int m_passes;
    size_t m_from[kMaxSweep] = {}, m_to[kMaxSweep] = {};
    size_t m_low = 0, m_high = 0;
    std::vector<float> m_top, m_bottom;
};

// One sweep of up to kMaxSweep passes over the grid: `bands` bands taken in turn by
// up to `threads` threads (a thread that comes late leaves its band to the first one
// free). Returns how many bands had to be run again because their halo had not
// reached the exact values.
int Sweep(int passes, size_t w, size_t height, CVec3* grid, int threads, int bands, int haloRows,
          std::vector<std::vector<float>>& planes, std::unique_ptr<float[]>& copy)
{
    const size_t first = w + 2, last = (height - 1) * w - 1; // [first, last) are smoothed
    const size_t span = last - first;
    // a band of at least a few rows, so that what it keeps lies inside it
    bands = std::max(1, std::min<int>(bands, int(span / (4 * w + 8))));
    threads = std::clamp(threads, 1, bands);
    // the first band has no halo: it takes a halo's length more
    const size_t halo = bands > 1 ? std::min(span / size_t(bands), size_t(haloRows) * w) : 0;
    const size_t share = (span - halo) / size_t(bands);
    std::vector<Band> parts;
    parts.reserve(size_t(bands));
    size_t at = first;
    for (int k = 0; k < bands; ++k) {
        const size_t end = k == bands - 1 ? last : at + share + (k == 0 ? halo : 0);
        parts.emplace_back(w, first, last, at, end, passes, haloRows);
        at = end;
    }
    if (planes.size() < size_t(bands))
        planes.resize(size_t(bands));

    // Heights: alone, the band reads the grid as it goes; else the bands share one
    // copy, so no band reads the grid where another has written.
    if (bands > 1 && !copy)
        copy.reset(new float[w * height]); // not cleared: every height read is copied in first
    Heights in(grid, w * height, bands > 1 ? copy.get() : nullptr);
    std::atomic<int> next{0};
    CWorkerPool::Shared().RunDynamic(threads, [&](int) {
        for (int k = next.fetch_add(1, std::memory_order_relaxed); k < bands; k = next.fetch_add(1, std::memory_order_relaxed))
            parts[size_t(k)].Run(in, grid, planes[size_t(k)]);
    });
    // in order: a band run again may change what the next one follows
    int again = 0;
    std::vector<char> wrong(size_t(bands), 0);
    for (size_t j = 1; j < parts.size(); ++j)
        wrong[j] = !parts[j].Follows(parts[j - 1]);
    for (size_t j = 1; j < parts.size(); ++j)
        if (wrong[j] || (wrong[j - 1] && !parts[j].Follows(parts[j - 1]))) {
            wrong[j] = 1;
            parts[j].Run(in, grid, planes[j], &parts[j - 1]);
            ++again;
        }
    return again;
}

} // namespace

int SmoothHeightGridThread(SmoothParams* params)
{
    auto* g = static_cast<CVec3*>(params->data);
    const int width = params->rect.right;
    const int height = params->rect.bottom;
    if (!g || width < 1 || height < 3)
        return 1;
    const size_t w = size_t(width);
    const size_t last = size_t(height - 1) * w - 2; // inclusive
    for (size_t n = w + 2; n <= last; ++n) {
        const float z = g[n].z;
        if (z == 0.0f || z != z)
            continue;
        const float s = ((g[n - w].z + g[n + w].z) + (g[n - w + 1].z + g[n + w + 1].z)) +
                        ((g[n - w - 1].z + g[n + 1].z) + (g[n - 1].z + g[n + w - 1].z));
        g[n].z = (s * 0.125f + z) * 0.5f;
    }
    return 1;
}


int SmoothHeightGridBands(int passes, int width, int height, CVec3* grid, int threads, int haloRows, int bands)
{
    if (passes <= 0 || !grid || width < 1 || height < 3 || size_t(height - 1) * size_t(width) < size_t(width) + 3)
        return 0;
    if (width < 2) { // a one-vertex row reads itself as its upper-right neighbour: in place
        SmoothParams params;
        params.data = grid;
        params.rect.right = width;
        params.rect.bottom = height;
        for (int p = 0; p < passes; ++p)
            SmoothHeightGridThread(&params);
        return 0;
    }
    int again = 0;
    std::vector<std::vector<float>> planes; // the bands' heights, kept from one sweep to the next
    std::unique_ptr<float[]> copy;          // the heights a sweep starts from
    for (int done = 0; done < passes; done += kMaxSweep)
        again += Sweep(std::min(kMaxSweep, passes - done), size_t(width), size_t(height), grid, std::max(1, threads),
                       bands > 0 ? bands : std::max(1, threads), std::max(2, haloRows),
                       planes, copy);
    return again;
}

void SmoothHeightGridThreaded(int passes, int width, int height, CVec3* grid, int maxThreads)
{
    if (passes <= 0)
        return;
    const int count = std::min(kBatchThreads, passes);
    const int run = passes / count * count; // passes beyond whole batches are dropped
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    SmoothHeightGridBands(run, width, height, grid, std::clamp(std::min(maxThreads, cores), 1, kBatchThreads),
                          kHaloRows + kHaloRowsPerPass * std::min(run, kMaxSweep));
}
