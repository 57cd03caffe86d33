#include "foundation/image/ImageFilters.h"

#include "foundation/math/Vec3.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr int kBatchThreads = 10;
// A pass works on a row only once the pass before it has finished the rows up to
// two below it: by then every neighbour it reads holds that pass's value, and
// the pass before never reads the row again.
constexpr int kPipelineLag = 2;

void WaitForRow(const std::atomic<int>* before, int need)
{
    if (!before)
        return;
    int seen = before->load(std::memory_order_acquire);
    for (int spin = 0; seen < need && spin < 2000; ++spin) {
        std::this_thread::yield();
        seen = before->load(std::memory_order_acquire);
    }
    while (seen < need) {
        before->wait(seen, std::memory_order_acquire);
        seen = before->load(std::memory_order_acquire);
    }
}

void FinishRow(std::atomic<int>* done, int row)
{
    if (!done)
        return;
    done->store(row, std::memory_order_release);
    done->notify_all();
}

// Runs count passes, each through body(params), on up to maxThreads threads; pass
// k waits on pass k - 1 through the progress counters. Each thread takes its
// passes in increasing order, so a waiting pass always has a running predecessor.
void RunBatch(int count, int maxThreads, const SmoothParams& base, int (*body)(SmoothParams*))
{
    std::vector<SmoothParams> params(size_t(count), base);
    std::unique_ptr<std::atomic<int>[]> done(new std::atomic<int>[size_t(count)]);
    for (int k = 0; k < count; ++k) {
        done[k].store(-1);
        params[k].done = &done[k];
        params[k].before = k > 0 ? &done[k - 1] : nullptr;
        params[k].threadCount = count;
    }
    const int threads = std::clamp(maxThreads, 1, count);
    if (threads == 1) {
        for (int k = 0; k < count; ++k) {
            params[k].before = nullptr;  // the previous pass has finished
            body(&params[k]);
        }
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(size_t(threads));
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int k = t; k < count; k += threads)
                body(&params[k]);
        });
    for (auto& w : workers)
        w.join();
}

std::mutex g_previewMutex;
FramePreview g_preview;  // guarded by g_previewMutex

ImageRect InsideRect(const ImageRect& r, int width, int height, int margin)
{
    ImageRect c;
    c.left = std::max(r.left, margin);
    c.top = std::max(r.top, margin);
    c.right = std::min(r.right, width - margin);
    c.bottom = std::min(r.bottom, height - margin);
    return c;
}

// ---- 8-bit helpers

uint8_t Median5(const uint8_t* s)
{
    uint8_t b[5] = {s[0], s[1], s[2], s[3], s[4]};
    return MedianOf(b, 5);
}

// Copy into a (w + 2) x (h + 2) buffer whose border repeats the nearest edge sample.
std::vector<uint8_t> PadEdges(const uint8_t* src, int w, int h)
{
    const int pw = w + 2;
    std::vector<uint8_t> p(size_t(pw) * size_t(h + 2));
    for (int y = -1; y <= h; ++y) {
        const uint8_t* row = src + size_t(std::clamp(y, 0, h - 1)) * size_t(w);
        uint8_t* out = &p[size_t(y + 1) * size_t(pw)];
        out[0] = row[0];
        std::memcpy(out + 1, row, size_t(w));
        out[w + 1] = row[w - 1];
    }
    return p;
}

// Line padded as s1, s0 | s0 ... s(n-1) | s(n-1), s(n-2); n >= 2.
std::vector<uint8_t> PadLine(const uint8_t* src, int n)
{
    std::vector<uint8_t> p(size_t(n) + 4);
    p[0] = src[1];
    p[1] = src[0];
    std::memcpy(&p[2], src, size_t(n));
    p[size_t(n) + 2] = src[n - 1];
    p[size_t(n) + 3] = src[n - 2];
    return p;
}

template <typename F>
void Window3x3(uint8_t* src, uint8_t* dst, int w, int h, F f)
{
    if (!src || w <= 0 || h <= 0)
        return;
    const std::vector<uint8_t> p = PadEdges(src, w, h);
    uint8_t* out = dst ? dst : src;
    const int pw = w + 2;
    uint8_t win[9];
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            for (int k = 0; k < 9; ++k)
                win[k] = p[size_t(y + k / 3) * size_t(pw) + size_t(x + k % 3)];
            out[size_t(y) * size_t(w) + size_t(x)] = f(win);
        }
}

template <typename F>
void Window3x3Raw(const uint8_t* src, uint8_t* dst, int w, int h, F f)
{
    if (!src || !dst || w < 3 || h < 3)
        return;
    uint8_t win[9];
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            for (int k = 0; k < 9; ++k)
                win[k] = src[size_t(y - 1 + k / 3) * size_t(w) + size_t(x - 1 + k % 3)];
            dst[size_t(y - 1) * size_t(w - 2) + size_t(x - 1)] = f(win);
        }
}

template <typename F>
void Line5(uint8_t* src, uint8_t* dst, int n, F f)
{
    if (!src || n < 1)
        return;
    if (n == 1) {
        if (dst)
            dst[0] = src[0];
        return;
    }
    const std::vector<uint8_t> p = PadLine(src, n);
    uint8_t* out = dst ? dst : src;
    for (int j = 0; j < n; ++j)
        out[j] = f(&p[size_t(j)]);
}

uint8_t Mean9(uint8_t* w)
{
    unsigned s = 0;
    for (int k = 0; k < 9; ++k)
        s += w[k];
    return uint8_t(s / 9);
}

uint8_t Mean5(const uint8_t* w) { return uint8_t((unsigned(w[0]) + w[1] + w[2] + w[3] + w[4]) / 5); }

uint8_t TrimmedMean(uint8_t* w, int count, unsigned trim)
{
    std::sort(w, w + count);
    unsigned s = 0;
    for (int k = int(trim / 2); k < count - int(trim / 2); ++k)
        s += w[k];
    return uint8_t(s / (unsigned(count) - trim));
}

} // namespace

// ---- 8-bit smoothing

int SmoothImageThread(SmoothParams* params)
{
    auto* data = static_cast<uint8_t*>(params->data);
    const int width = params->rowLength;
    const ImageRect r = params->rect;
    const float factor = params->factor;
    const int lastRow = r.bottom - 1;
    for (int y = r.top; y <= lastRow; ++y) {
        WaitForRow(params->before, std::min(y + kPipelineLag, lastRow));
        uint8_t* row = data + size_t(y) * size_t(width);
        for (int x = r.left; x < r.right; ++x) {
            const uint8_t* a = row - width + x;
            const uint8_t* b = row + width + x;
            const int s = a[-1] + a[0] + a[1] + row[x - 1] + row[x + 1] + b[-1] + b[0] + b[1];
            const int v = int(float(s) * 0.125f + float(row[x]));
            row[x] = uint8_t(int(float(v) * factor));
        }
        FinishRow(params->done, y);
    }
    if (r.top > lastRow)
        FinishRow(params->done, lastRow);
    return 1;
}

void SmoothImageThreaded(uint8_t* data, int width, int height, const ImageRect* rect, int passes, bool preview)
{
    if (!data || !rect || width < 3 || height < 3)
        return;
    SmoothParams base;
    base.data = data;
    base.factor = 0.5f;
    base.rowLength = width;
    base.rect = InsideRect(*rect, width, height, 1);
    if (base.rect.left < base.rect.right && base.rect.top < base.rect.bottom)
        for (int b = 0; b < passes; ++b)
            RunBatch(kBatchThreads, kBatchThreads, base, &SmoothImageThread);
    if (preview)
        ShowFrameInConsole(data, width, height, rect);
}

void Filter3x3Weighted(uint8_t* data, int width, int height, const ImageRect* rect, const float weights[9], int,
                       bool preview)
{
    if (!data || !rect || !weights || width <= 0 || height <= 0)
        return;
    const ImageRect r = InsideRect(*rect, width, height, 0);
    for (int i = r.top; i < r.bottom - 3; ++i) {
        for (int j = r.left; j < r.right - 3; ++j) {
            uint32_t acc = 0;
            for (int k = 0; k < 9; ++k) {
                const float term = float(acc) + weights[k] * float(data[size_t(i + k / 3) * size_t(width) + size_t(j + k % 3)]);
                acc = term <= 0.0f ? 0u : term >= 4294967040.0f ? 4294967040u : uint32_t(term);
            }
            data[size_t(i) * size_t(width) + size_t(j)] = uint8_t(std::min<uint32_t>(255, acc / 9));
        }
    }
    if (preview)
        ShowFrameInConsole(data, width, height, rect);
}

void SetFramePreview(FramePreview preview)
{
    std::lock_guard lock(g_previewMutex);
    g_preview = std::move(preview);
}

void ShowFrameInConsole(const uint8_t* data, int width, int height, const ImageRect* rect)
{
    FramePreview preview;
    {
        std::lock_guard lock(g_previewMutex);
        preview = g_preview;
    }
    if (!preview || !data || !rect || width <= 0 || height <= 0)
        return;
    const ImageRect r = InsideRect(*rect, width, height, 0);
    if (r.left >= r.right || r.top >= r.bottom)
        return;
    QImage frame(r.right - r.left, r.bottom - r.top, QImage::Format_Grayscale8);
    for (int y = r.top; y < r.bottom; ++y)
        std::memcpy(frame.scanLine(y - r.top), data + size_t(y) * size_t(width) + size_t(r.left),
                    size_t(r.right - r.left));
    preview(frame);
}

// ---- Gaussian blur

bool MakeGaussianKernel(GaussianKernel* kernel, unsigned count)
{
    if (!kernel || count == 0 || count % 2 == 0)
        return false;
    const unsigned half = count / 2;
    kernel->weights.assign(count, 0.0);
    kernel->count = count;
    kernel->weights[half] = 1.0;
    for (unsigned i = 1; i <= half; ++i) {
        const double t = double(i) / double(half);
        kernel->weights[half - i] = kernel->weights[half + i] = std::exp(-4.5 * t * t);
    }
    double sum = 0;
    for (double v : kernel->weights)
        sum += v;
    for (double& v : kernel->weights)
        v /= sum;
    return true;
}

bool FilterLine::Init(unsigned lineWidth, unsigned lineHeight, unsigned pad)
{
    width = lineWidth;
    height = lineHeight;
    padding = pad;
    try {
        buffer.assign(size_t(std::max(lineWidth, lineHeight)) + 2 * size_t(pad), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void FilterLine::Load(const uint8_t* source)
{
    if (!source || buffer.empty())
        return;
    if (!columns) {
        std::memcpy(&buffer[padding], source, width);
    } else {
        for (unsigned y = 0; y < height; ++y)
            buffer[padding + y] = source[size_t(y) * width];
    }
}

void FilterLine::MirrorPad()
{
    const unsigned n = Length();
    if (buffer.empty() || n == 0)
        return;
    uint8_t* s = &buffer[padding];
    for (unsigned k = 1; k <= padding; ++k) {
        // mirrored about the edge sample, which is not repeated
        s[-int(k)] = s[std::min(k, n - 1)];
        s[n - 1 + k] = s[n - 1 - std::min(k, n - 1)];
    }
}

bool GaussianFilter(const uint8_t* data, uint8_t* out, unsigned width, unsigned height, unsigned count)
{
    if (!data || width == 0 || height == 0 || count == 0 || count % 2 == 0)
        return false;
    const unsigned half = count / 2;
    if (half >= width || half >= height)
        return false;
    GaussianKernel kernel;
    if (!MakeGaussianKernel(&kernel, count))
        return false;
    uint8_t* target = out ? out : const_cast<uint8_t*>(data);
    FilterLine line;
    if (!line.Init(width, height, half))
        return false;
    std::vector<uint8_t> result(std::max(width, height));
    auto convolve = [&](unsigned n) {
        for (unsigned x = 0; x < n; ++x) {
            double sum = 0;
            for (unsigned k = 0; k < count; ++k)
                sum += line.buffer[x + k] * kernel.weights[k];
            result[x] = uint8_t(std::min(255.0, sum + 0.5));
        }
    };
    line.columns = false;
    for (unsigned y = 0; y < height; ++y) {
        line.Load(data + size_t(y) * width);
        line.MirrorPad();
        convolve(width);
        std::memcpy(target + size_t(y) * width, result.data(), width);
    }
    line.columns = true;
    for (unsigned x = 0; x < width; ++x) {
        line.Load(target + x);
        line.MirrorPad();
        convolve(height);
        for (unsigned y = 0; y < height; ++y)
            target[size_t(y) * width + x] = result[y];
    }
    return true;
}

bool GaussianFilterInPlace(uint8_t* data, int, unsigned width, unsigned height, unsigned count)
{
    return GaussianFilter(data, nullptr, width, height, count);
}

// ---- medians and means

uint8_t MedianOf(uint8_t* buffer, int count)
{
    if (!buffer || count <= 0)
        return 0;
    for (int i = 0; i <= count / 2; ++i) {
        int best = i;
        for (int j = i + 1; j < count; ++j)
            if (buffer[j] < buffer[best])
                best = j;
        std::swap(buffer[i], buffer[best]);
    }
    return buffer[count / 2];
}

void Median5Line(uint8_t* src, uint8_t* dst, int n) { Line5(src, dst, n, Median5); }

void Median5Raw(const uint8_t* paddedSrc, uint8_t* dst, int length)
{
    if (!paddedSrc || !dst)
        return;
    for (int j = 0; j + 5 <= length; ++j)
        dst[j] = Median5(paddedSrc + j);
}

void Median3x3(uint8_t* src, uint8_t* dst, int width, int height)
{
    Window3x3(src, dst, width, height, [](uint8_t* w) { return MedianOf(w, 9); });
}

void Median3x3Raw(const uint8_t* src, uint8_t* dst, int width, int height)
{
    Window3x3Raw(src, dst, width, height, [](uint8_t* w) { return MedianOf(w, 9); });
}

void Mean5Line(uint8_t* src, uint8_t* dst, int n) { Line5(src, dst, n, Mean5); }

void Mean5Raw(const uint8_t* paddedSrc, uint8_t* dst, int length)
{
    if (!paddedSrc || !dst)
        return;
    for (int j = 0; j + 5 <= length; ++j)
        dst[j] = Mean5(paddedSrc + j);
}

void Mean3x3(uint8_t* src, uint8_t* dst, int width, int height) { Window3x3(src, dst, width, height, Mean9); }

void Mean3x3Raw(const uint8_t* src, uint8_t* dst, int width, int height)
{
    Window3x3Raw(src, dst, width, height, Mean9);
}

void HybridMedian3x3(uint8_t* src, uint8_t* dst, int width, int height)
{
    Window3x3(src, dst, width, height, [](uint8_t* w) {
        uint8_t plus[5] = {w[1], w[3], w[4], w[5], w[7]};
        uint8_t cross[5] = {w[0], w[2], w[4], w[6], w[8]};
        uint8_t three[3] = {MedianOf(plus, 5), MedianOf(cross, 5), w[4]};
        return MedianOf(three, 3);
    });
}

void TrimmedMean5Line(uint8_t* src, uint8_t* dst, int n, unsigned trim)
{
    if (trim != 0 && trim != 2 && trim != 4)
        return;
    Line5(src, dst, n, [trim](const uint8_t* s) {
        uint8_t w[5] = {s[0], s[1], s[2], s[3], s[4]};
        return TrimmedMean(w, 5, trim);
    });
}

void TrimmedMean3x3(uint8_t* src, uint8_t* dst, int width, int height, unsigned trim)
{
    if (trim % 2 != 0 || trim > 8)
        return;
    Window3x3(src, dst, width, height, [trim](uint8_t* w) { return TrimmedMean(w, 9, trim); });
}

void MedianFilter(uint8_t* data, int, int width, int height) { Median3x3(data, nullptr, width, height); }
void MeanFilter(uint8_t* data, int, int width, int height) { Mean3x3(data, nullptr, width, height); }
void HybridMedianFilter(uint8_t* data, int, int width, int height) { HybridMedian3x3(data, nullptr, width, height); }
void TrimmedMeanFilter(uint8_t* data, uint8_t* out, int width, int height, unsigned trim)
{
    TrimmedMean3x3(data, out, width, height, trim);
}
