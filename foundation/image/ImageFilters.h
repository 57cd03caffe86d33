#pragma once
#include "foundation/image/ImageSource.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class CVec3;
class QImage;

// Threaded neighbour smoothing of a height grid: width x height vertices stored row
// after row, the third float of each its height. One pass walks the vertices from
// width + 2 to (height - 1) x width - 2 in index order, in place:
//   z := (s x 0.125 + z) x 0.5, s the sum of the eight neighbours by linear index,
// skipping heights of exactly 0 (and NaN). Passes run in batches of
// min(10, passes); passes beyond whole batches are dropped (12 run as 10). The
// result is bit for bit that of the passes run one after another, on any number
// of threads: up to maxThreads (at most 10, at most the cores) smooth bands of the grid.
void SmoothHeightGridThreaded(int passes, int width, int height, CVec3* grid, int maxThreads = 10);
// The engine behind it: exactly `passes` passes in `bands` bands (0: one per thread)
// on up to `threads` threads, each band but the first starting haloRows rows early
// (at least 2). Returns how many bands had to be run again because their halo had
// not reached the exact values.
int SmoothHeightGridBands(int passes, int width, int height, CVec3* grid, int threads, int haloRows, int bands = 0);

// Parameter block of one smoothing pass in a pipeline.
struct SmoothParams {
    void* data = nullptr;  // CVec3 grid or 8-bit samples
    int threadCount = 10;
    float factor = 0.5f;  // 8-bit smoother
    int rowLength = 0;    // width (vertices or bytes)
    ImageRect rect;       // 8-bit smoother: area; grid smoother: right = width, bottom = height
    // pipeline: rows finished by this pass and by the pass before it (null for the first)
    std::atomic<int>* done = nullptr;
    const std::atomic<int>* before = nullptr;
};
// One pass over the grid in place, on the calling thread (rect.right = width,
// rect.bottom = height); returns 1.
int SmoothHeightGridThread(SmoothParams* params);

// Ten passes per requested pass of the same neighbour smoothing over the 8-bit
// samples inside rect: v := truncate(s x 0.125 + p), p := truncate(v x 0.5), s the
// integer sum of the eight neighbours. rect is kept one sample inside the buffer.
// With preview set the buffer is shown through ShowFrameInConsole.
void SmoothImageThreaded(uint8_t* data, int width, int height, const ImageRect* rect, int passes, bool preview);
int SmoothImageThread(SmoothParams* params);

// 3 x 3 weighted filter; the result of each window goes to its top-left sample.
void Filter3x3Weighted(uint8_t* data, int width, int height, const ImageRect* rect, const float weights[9],
                       int ignored, bool preview);

// Hands the rect of an 8-bit grey buffer (rows top first) as a picture to the
// frame preview, when one is installed.
void ShowFrameInConsole(const uint8_t* data, int width, int height, const ImageRect* rect);
using FramePreview = std::function<void(const QImage& frame)>;
void SetFramePreview(FramePreview preview);

struct GaussianKernel {
    std::vector<double> weights;
    unsigned count = 0;
};
// count odd: weights exp(-4.5 (i / half)^2) about the centre, summing to 1.
bool MakeGaussianKernel(GaussianKernel* kernel, unsigned count);
// Separable blur (rows, then columns) with edges mirrored about the edge sample.
bool GaussianFilter(const uint8_t* data, uint8_t* out, unsigned width, unsigned height, unsigned count);
bool GaussianFilterInPlace(uint8_t* data, int ignored, unsigned width, unsigned height, unsigned count);

// A line of samples with mirrored padding on both sides.
struct FilterLine {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<uint8_t> buffer;
    unsigned padding = 0;
    bool columns = false;  // false: rows of width samples, true: columns of height samples

    bool Init(unsigned lineWidth, unsigned lineHeight, unsigned pad);
    void Load(const uint8_t* source);  // a row, or a column (samples width apart)
    void MirrorPad();
    unsigned Length() const { return columns ? height : width; }
};

// Median, mean and trimmed-mean filters of 8-bit samples. dst null: the result
// goes back into src. The 3 x 3 forms repeat the edge samples; the five-sample
// line forms pad as s1, s0 | s0 ... s(n-1) | s(n-1), s(n-2).
void Median5Line(uint8_t* src, uint8_t* dst, int n);
void Median5Raw(const uint8_t* paddedSrc, uint8_t* dst, int length);
uint8_t MedianOf(uint8_t* buffer, int count);
void Median3x3(uint8_t* src, uint8_t* dst, int width, int height);
void Median3x3Raw(const uint8_t* src, uint8_t* dst, int width, int height);
void Mean5Line(uint8_t* src, uint8_t* dst, int n);
void Mean5Raw(const uint8_t* paddedSrc, uint8_t* dst, int length);
void Mean3x3(uint8_t* src, uint8_t* dst, int width, int height);
void Mean3x3Raw(const uint8_t* src, uint8_t* dst, int width, int height);
void HybridMedian3x3(uint8_t* src, uint8_t* dst, int width, int height);
void TrimmedMean5Line(uint8_t* src, uint8_t* dst, int n, unsigned trim);
void TrimmedMean3x3(uint8_t* src, uint8_t* dst, int width, int height, unsigned trim);

void MedianFilter(uint8_t* data, int ignored, int width, int height);
void MeanFilter(uint8_t* data, int ignored, int width, int height);
void HybridMedianFilter(uint8_t* data, int ignored, int width, int height);
void TrimmedMeanFilter(uint8_t* data, uint8_t* out, int width, int height, unsigned trim);
