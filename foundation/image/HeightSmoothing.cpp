// Threaded height-grid smoothing, bit-identical to the passes run one after another.
// The default runs the passes as a pipeline (SmoothHeightGridPipelined, at the end);
// the banded engine below is kept for comparison.
//
// A pass is one long chain: every vertex reads its left neighbour and the row above
// as this pass already rewrote them. The heights are copied into two float planes
// (the pass before, the pass being written). Each pass is cut into bands by linear
// index, two per thread, run side by side so that the processor overlaps the two
// chains. A band other than the first cannot know the new values just
// before it, so it starts a few rows early (the halo) from the previous pass's
// values; the smoothing forgets its start quickly, so by the band's start the halo
// has almost always reached the exact values. After the bands, the last width + 1
// values of each halo (all a vertex depends on besides the pass before) are compared
// bit for bit with what the band before really wrote; where they differ the band is
// run again from its start until width + 1 values in a row come out as they were.
#include "foundation/image/ImageFilters.h"

#include "foundation/math/Vec3.h"

#include <algorithm>
#include <atomic>
#include <barrier>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kBatchThreads = 10;
constexpr int kHaloRows = 16;

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

// One chain: the vertices [begin, end) with their new heights at out[i - base]
// (the ones before begin already there).
struct Chain {
    float* out;
    ptrdiff_t base;
    size_t begin, end;
};

// Runs K chains side by side, so the processor overlaps their steps (each chain
// waits on its own previous vertex), then finishes each alone. No chain may be empty.
template <int K>
void RunChains(const float* src, const Chain* chains, size_t w)
{
    size_t common = chains[0].end - chains[0].begin;
    float prev[K];
    for (int c = 0; c < K; ++c) {
        common = std::min(common, chains[c].end - chains[c].begin);
        prev[c] = chains[c].out[ptrdiff_t(chains[c].begin) - 1 - chains[c].base];
    }
    for (size_t i = 0; i < common; ++i)
        for (int c = 0; c < K; ++c) {
            const Chain& ch = chains[c];
            const size_t n = ch.begin + i;
            const float r = Step(prev[c], ch.out + (ptrdiff_t(n - w - 1) - ch.base), src + n, w);
            ch.out[ptrdiff_t(n) - ch.base] = r;
            prev[c] = r;
        }
    if constexpr (K > 1)
        for (int c = 0; c < K; ++c) {
            Chain rest = chains[c];
            rest.begin += common;
            if (rest.begin < rest.end)
                RunChains<1>(src, &rest, w);
        }
}

bool SameBits(const float* a, const float* b, size_t count) { return std::memcmp(a, b, count * sizeof(float)) == 0; }

// Bands run side by side on one thread.
constexpr int kChainsPerThread = 2;

struct Band {
    size_t begin = 0, end = 0; // the band's own vertices
    size_t chainBegin = 0;     // where its chain starts: haloRows rows early, or the first vertex
    size_t headEnd = 0;        // the halo's chain runs up to here, one row into the band
    std::unique_ptr<float[]> heights; // halo: new heights of [chainBegin - w - 1, headEnd)
    size_t Low(size_t w) const { return chainBegin - w - 1; }
};

// Runs the chains, side by side when this thread has kChainsPerThread of them.
void RunAll(const float* src, const Chain* chains, size_t count, size_t w);

class Smoother {
public:
    Smoother(CVec3* grid, int width, int height, int threads, int haloRows)
        : m_grid(grid), m_w(size_t(width)), m_count(size_t(width) * size_t(height)), m_first(m_w + 2),
          m_end(size_t(height - 1) * m_w - 1), m_a(new float[m_count]), m_b(new float[m_count])
    {
        // every chain has the same length: band 0 has no halo and takes its length more
        const size_t span = m_end - m_first;
        const int n = std::max(1, std::min(threads * kChainsPerThread, int(span / (m_w + 2))));
        const size_t halo = size_t(std::max(0, haloRows)) * m_w;
        const size_t rest = span > halo ? (span - halo) / size_t(n) : 0;
        m_bands.resize(size_t(n));
        size_t at = m_first;
        for (int k = 0; k < n; ++k) {
            Band& b = m_bands[size_t(k)];
            b.begin = at;
            at = k == n - 1 ? m_end : std::min(m_end, at + rest + (k == 0 ? halo : 0));
            b.end = at;
            b.chainBegin = k == 0 ? b.begin : std::max(m_first, b.begin - std::min(b.begin, halo));
            b.headEnd = k == 0 ? b.begin : std::min(b.end, b.begin + m_w + 1);
            if (k > 0)
                b.heights.reset(new float[b.headEnd - b.Low(m_w)]); // every value is written before it is read
        }
        m_threads = (n + kChainsPerThread - 1) / kChainsPerThread;
    }

    int Threads() const { return m_threads; }

    // Heights into the first plane for the vertices [from, to); the second plane
    // takes the vertices no pass changes (the passes write the rest).
    void Load(size_t from, size_t to)
    {
        for (size_t i = from; i < to; ++i)
            m_a[i] = m_grid[i].z;
        for (size_t i = std::max(from, m_end); i < to; ++i)
            m_b[i] = m_a[i];
        for (size_t i = from; i < std::min(to, m_first); ++i)
            m_b[i] = m_a[i];
    }
    void Store(size_t from, size_t to)
    {
        const float* out = Src();
        for (size_t i = from; i < to; ++i)
            m_grid[i].z = out[i];
    }
    // Thread t's share of all vertices, for loading and storing.
    std::pair<size_t, size_t> Share(int t) const
    {
        const size_t n = size_t(m_threads);
        return {m_count * size_t(t) / n, m_count * size_t(t + 1) / n};
    }

    // Thread t's bands of the current pass. A band's halo starts from the pass
    // before's values and runs one row into the band in a scratch row set; that row
    // goes to the pass's plane, where the rest of the band follows (the first band
    // starts there, from the vertices no pass changes).
    void RunBands(int t)
    {
        const float* src = Src();
        float* dst = Dst();
        const size_t k0 = size_t(t) * kChainsPerThread;
        const size_t k1 = std::min(m_bands.size(), k0 + kChainsPerThread);
        Chain chains[kChainsPerThread];
        size_t n = 0;
        for (size_t k = k0; k < k1; ++k) {
            Band& b = m_bands[k];
            if (b.heights && b.chainBegin < b.headEnd) {
                std::memcpy(b.heights.get(), src + b.Low(m_w), (m_w + 1) * sizeof(float));
                chains[n++] = {b.heights.get(), ptrdiff_t(b.Low(m_w)), b.chainBegin, b.headEnd};
            }
        }
        RunAll(src, chains, n, m_w);
        n = 0;
        for (size_t k = k0; k < k1; ++k) {
            const Band& b = m_bands[k];
            if (b.heights)
                std::memcpy(dst + b.begin, b.heights.get() + (b.begin - b.Low(m_w)),
                            (b.headEnd - b.begin) * sizeof(float));
            if (b.headEnd < b.end) // an empty chain would still read the vertex before it
                chains[n++] = {dst, 0, b.headEnd, b.end};
        }
        RunAll(src, chains, n, m_w);
    }

    // After all bands of a pass: checks each band's start against the band before
    // and runs it again where they differ. Returns the vertices run again.
    size_t Repair()
    {
        const float* src = Src();
        float* dst = Dst();
        size_t rerun = 0;
        for (size_t k = 1; k < m_bands.size(); ++k) {
            const Band& b = m_bands[k];
            if (b.begin >= b.end)
                continue;
            const float* guess = b.heights.get() + (b.begin - m_w - 1 - b.Low(m_w)); // the halo's last row
            if (SameBits(guess, dst + b.begin - m_w - 1, m_w + 1))
                continue;
            size_t same = 0;
            float prev = dst[b.begin - 1];
            for (size_t n = b.begin; n < b.end && same <= m_w; ++n, ++rerun) {
                const float r = Step(prev, dst + (n - m_w - 1), src + n, m_w);
                same = SameBits(&r, dst + n, 1) ? same + 1 : 0;
                dst[n] = r;
                prev = r;
            }
        }
        return rerun;
    }

    void NextPass() { ++m_passes; }

private:
    const float* Src() const { return m_passes % 2 ? m_b.get() : m_a.get(); }
    float* Dst() const { return m_passes % 2 ? m_a.get() : m_b.get(); }

    CVec3* m_grid;
    size_t m_w, m_count;
    size_t m_first, m_end; // vertices [first, end) are smoothed
    std::unique_ptr<float[]> m_a, m_b;
    std::vector<Band> m_bands;
    int m_threads = 1;
    int m_passes = 0;
};

void RunAll(const float* src, const Chain* chains, size_t count, size_t w)
{
    if (count == kChainsPerThread) {
        RunChains<kChainsPerThread>(src, chains, w);
        return;
    }
    for (size_t c = 0; c < count; ++c)
        RunChains<1>(src, &chains[c], w);
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

size_t SmoothHeightGridBanded(int passes, int width, int height, CVec3* grid, int threads, int haloRows)
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
    Smoother s(grid, width, height, threads, haloRows);
    const int workers = s.Threads();
    std::vector<size_t> rerun(size_t(passes), 0);
    std::barrier sync(workers);
    auto work = [&](int k) {
        const auto [from, to] = s.Share(k);
        s.Load(from, to);
        sync.arrive_and_wait();
        for (int p = 0; p < passes; ++p) {
            s.RunBands(k);
            sync.arrive_and_wait();
            if (k == 0) {
                rerun[size_t(p)] = s.Repair();
                s.NextPass();
            }
            sync.arrive_and_wait();
        }
        s.Store(from, to);
    };
    std::vector<std::thread> helpers;
    helpers.reserve(size_t(workers) - 1);
    for (int k = 1; k < workers; ++k)
        helpers.emplace_back(work, k);
    work(0);
    for (auto& t : helpers)
        t.join();
    size_t total = 0;
    for (size_t r : rerun)
        total += r;
    return total;
}

// Passes side by side in one float plane, in place: pass k + 1 smooths a block of
// vertices only once pass k has finished every vertex the block reads (up to
// width + 1 past its end). By then pass k has also read, for the last time, every
// value the block overwrites, so each pass sees exactly what it would see run alone.
void SmoothHeightGridPipelined(int passes, int width, int height, CVec3* grid, int threads)
{
    if (passes <= 0 || !grid || width < 2 || height < 3 || size_t(height - 1) * size_t(width) < size_t(width) + 3) {
        SmoothHeightGridBanded(passes, width, height, grid, 1, 0); // the tiny and one-column grids
        return;
    }
    const size_t w = size_t(width);
    const size_t count = w * size_t(height);
    const size_t first = w + 2, end = size_t(height - 1) * w - 1;
    std::unique_ptr<float[]> plane(new float[count]);
    float* h = plane.get();
    for (size_t i = 0; i < count; ++i)
        h[i] = grid[i].z;
    const size_t block = std::max<size_t>(w, 2048);
    auto pass = [&](const std::atomic<size_t>* before, std::atomic<size_t>* done) {
        float prev = h[first - 1];
        for (size_t a = first; a < end;) {
            const size_t b = std::min(end, a + block);
            if (before) {
                const size_t need = std::min(end, b + w + 1);
                for (int spin = 0; before->load(std::memory_order_acquire) < need; ++spin)
                    if (spin > 64)
                        std::this_thread::yield();
            }
            for (size_t n = a; n < b; ++n) {
                prev = Step(prev, h + (n - w - 1), h + n, w);
                h[n] = prev;
            }
            if (done)
                done->store(b, std::memory_order_release);
            a = b;
        }
    };
    const int lanes = std::clamp(threads, 1, std::max(1, passes));
    for (int p0 = 0; p0 < passes; p0 += lanes) {
        const int group = std::min(lanes, passes - p0);
        if (group == 1) {
            pass(nullptr, nullptr);
            continue;
        }
        std::unique_ptr<std::atomic<size_t>[]> progress(new std::atomic<size_t>[size_t(group)]);
        for (int k = 0; k < group; ++k)
            progress[size_t(k)].store(first, std::memory_order_relaxed);
        std::vector<std::thread> helpers;
        helpers.reserve(size_t(group) - 1);
        for (int k = 1; k < group; ++k)
            helpers.emplace_back(pass, &progress[size_t(k) - 1], k + 1 < group ? &progress[size_t(k)] : nullptr);
        pass(nullptr, &progress[0]);
        for (auto& t : helpers)
            t.join();
    }
    for (size_t i = first; i < end; ++i)
        grid[i].z = h[i];
}

void SmoothHeightGridThreaded(int passes, int width, int height, CVec3* grid, int maxThreads)
{
    if (passes <= 0)
        return;
    const int count = std::min(kBatchThreads, passes);
    const int run = passes / count * count; // passes beyond whole batches are dropped
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = std::clamp(std::min(maxThreads, cores), 1, kBatchThreads);
    if (threads == 1) // one thread: the banded engine overlaps two chains, which a lone pass cannot
        SmoothHeightGridBanded(run, width, height, grid, 1, kHaloRows);
    else
        SmoothHeightGridPipelined(run, width, height, grid, threads);
}
