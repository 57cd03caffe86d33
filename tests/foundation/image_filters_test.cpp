#include "foundation/image/ImageFilters.h"
#include "foundation/math/Vec3.h"

#include "image_test_util.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace imgtest;

namespace {

// One pass as written down: in place, in index order, the grouping of the sum kept.
void ReferencePass(std::vector<CVec3>& g, int w, int h)
{
    if (h <= 2)
        return;
    const long W = w;
    for (long n = W + 2; n <= long(h - 1) * W - 2; ++n) {
        const float z = g[n].z;
        if (z == 0.0f || std::isnan(z))
            continue;
        float s = ((g[n - W].z + g[n + W].z) + (g[n - W + 1].z + g[n + W + 1].z)) +
                  ((g[n - W - 1].z + g[n + 1].z) + (g[n - 1].z + g[n + W - 1].z));
        g[n].z = (s * 0.125f + z) * 0.5f;
    }
}

std::vector<CVec3> RandomGrid(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-50.0f, 400.0f);
    std::vector<CVec3> g(size_t(w) * h);
    for (size_t i = 0; i < g.size(); ++i)
        g[i] = CVec3(float(i % w) * 100.0f, float(i / w) * 100.0f, (rng() % 17 == 0) ? 0.0f : d(rng));
    g[size_t(w) * 3 + 4].z = std::numeric_limits<float>::quiet_NaN();
    return g;
}

bool SameBits(const std::vector<CVec3>& a, const std::vector<CVec3>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(CVec3)) == 0;
}

TEST(SmoothHeightGrid, MatchesPassesRunOneAfterAnother)
{
    struct Case {
        int passes, referencePasses;
    } cases[] = {{1, 1}, {5, 5}, {12, 10}, {25, 20}, {0, 0}, {-3, 0}};
    const int w = 67, h = 45;  // odd sizes: rows wrap into their neighbours
    const auto start = RandomGrid(w, h, 1);
    for (const auto& c : cases) {
        auto expected = start;
        for (int p = 0; p < c.referencePasses; ++p)
            ReferencePass(expected, w, h);
        for (int threads : {1, 3, 10}) {
            SCOPED_TRACE(testing::Message() << c.passes << " passes on " << threads << " threads");
            auto grid = start;
            SmoothHeightGridThreaded(c.passes, w, h, grid.data(), threads);
            EXPECT_TRUE(SameBits(grid, expected));
        }
    }
}

TEST(SmoothHeightGrid, BandsMatchThePassesInOrder)
{
    // Short halos leave a band's start wrong, which must be caught and smoothed again;
    // narrow, short and odd-sized grids, more passes than one sweep, a NaN, zeros and
    // huge heights must not change a bit either.
    struct Case {
        int w, h, passes, threads, halo;
        bool mustRedo, nan;
    } cases[] = {
        {67, 45, 3, 7, 2, true, false},    {67, 45, 3, 7, 16, false, false}, {67, 45, 5, 3, 14, false, true},
        {5, 40, 3, 9, 2, true, false},     {200, 9, 4, 4, 2, false, false},  {2, 30, 7, 3, 2, false, false},
        {1, 20, 3, 4, 0, false, false},    {67, 4, 10, 5, 0, false, false},  {300, 200, 9, 4, 2, true, false},
        {300, 200, 9, 4, 14, false, false}, {17, 60, 12, 2, 14, false, false}, {3, 5, 7, 3, 14, false, false},
        {64, 64, 6, 1, 14, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << ", " << c.passes << " passes on " << c.threads
                                        << " threads, halo " << c.halo << (c.nan ? ", a NaN" : ""));
        auto start = RandomGrid(c.w, c.h, unsigned(c.w * c.h));
        if (!c.nan)
            start[size_t(c.w) * 3 + 4].z = 17.0f; // a NaN spreads along the chain to the end
        start[start.size() / 2].z = 3e38f; // overflows to infinity in the sum
        auto expected = start;
        for (int p = 0; p < c.passes; ++p)
            ReferencePass(expected, c.w, c.h);
        auto grid = start;
        const int redone = SmoothHeightGridBands(c.passes, c.w, c.h, grid.data(), c.threads, c.halo);
        EXPECT_TRUE(SameBits(grid, expected));
        if (c.mustRedo) {
            EXPECT_GT(redone, 0);
        }
    }
}

TEST(SmoothHeightGrid, TerrainSizedGridMatchesThePassesInOrder)
{
    // the terrain's call: five passes over 1024 x 1024 on every core
    const int w = 1024, h = 1024;
    auto start = RandomGrid(w, h, 9);
    start[size_t(w) * 3 + 4].z = 17.0f; // no NaN: it would spread along the whole chain
    auto expected = start;
    for (int p = 0; p < 5; ++p)
        ReferencePass(expected, w, h);
    auto grid = start;
    SmoothHeightGridThreaded(5, w, h, grid.data());
    EXPECT_TRUE(SameBits(grid, expected));
}

TEST(SmoothHeightGrid, RepeatedRunsAreBitIdentical)
{
    const int w = 257, h = 129;
    const auto start = RandomGrid(w, h, 2);
    auto first = start;
    SmoothHeightGridThreaded(5, w, h, first.data());
    EXPECT_FALSE(SameBits(first, start));
    for (int run = 0; run < 8; ++run) {
        auto again = start;
        SmoothHeightGridThreaded(5, w, h, again.data());
        ASSERT_TRUE(SameBits(again, first)) << run;
    }
}

TEST(SmoothHeightGrid, FlatZeroAndShortGridsStay)
{
    // constant non-zero heights stay exactly
    std::vector<CVec3> flat(40 * 30, CVec3(0.0f, 0.0f, 12.5f));
    auto copy = flat;
    SmoothHeightGridThreaded(5, 40, 30, flat.data());
    EXPECT_TRUE(SameBits(flat, copy));
    // all zero
    std::vector<CVec3> zero(40 * 30);
    copy = zero;
    SmoothHeightGridThreaded(5, 40, 30, zero.data());
    EXPECT_TRUE(SameBits(zero, copy));
    // a hole of height 0 in a hill keeps 0 while its neighbours move
    std::vector<CVec3> hill(9 * 9, CVec3(0.0f, 0.0f, 0.0f));
    for (int y = 2; y < 7; ++y)
        for (int x = 2; x < 7; ++x)
            hill[size_t(y) * 9 + x].z = 100.0f;
    hill[4 * 9 + 4].z = 0.0f;
    SmoothHeightGridThreaded(1, 9, 9, hill.data());
    EXPECT_EQ(hill[4 * 9 + 4].z, 0.0f);
    EXPECT_LT(hill[4 * 9 + 3].z, 100.0f);
    // two rows: nothing to do
    auto two = RandomGrid(20, 6, 3);
    two.resize(40);
    copy = two;
    SmoothHeightGridThreaded(5, 20, 2, two.data());
    EXPECT_TRUE(SameBits(two, copy));
    SmoothHeightGridThreaded(5, 20, 2, nullptr);
}

// Ten passes of the 8-bit smoother, as written down.
void ReferenceImagePass(std::vector<uint8_t>& p, int w, const ImageRect& r)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            auto at = [&](int xx, int yy) { return int(p[size_t(yy) * w + xx]); };
            int s = at(x - 1, y - 1) + at(x, y - 1) + at(x + 1, y - 1) + at(x - 1, y) + at(x + 1, y) +
                    at(x - 1, y + 1) + at(x, y + 1) + at(x + 1, y + 1);
            int v = int(float(s) * 0.125f + float(at(x, y)));
            p[size_t(y) * w + x] = uint8_t(int(float(v) * 0.5f));
        }
}

TEST(SmoothImage, TenPassesPerRequestedPass)
{
    const int w = 40, h = 30;
    auto img = RandomBytes(size_t(w) * h, 5);
    auto expected = img;
    const ImageRect r{2, 3, 35, 27};
    for (int p = 0; p < 20; ++p)
        ReferenceImagePass(expected, w, r);
    SmoothImageThreaded(img.data(), w, h, &r, 2, false);
    EXPECT_EQ(img, expected);

    // a bright area keeps its value inside
    std::vector<uint8_t> bright(size_t(w) * h, 200);
    const ImageRect all{0, 0, w, h};  // kept one sample inside the buffer
    SmoothImageThreaded(bright.data(), w, h, &all, 1, false);
    EXPECT_EQ(bright, std::vector<uint8_t>(size_t(w) * h, 200));
}

TEST(ImageFilters, WeightedFilterAndPreview)
{
    const int w = 6, h = 5;
    std::vector<uint8_t> img(size_t(w) * h, 90);
    const float ones[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    const ImageRect r{0, 0, w, h};
    Filter3x3Weighted(img.data(), w, h, &r, ones, 0, false);
    EXPECT_EQ(img, std::vector<uint8_t>(size_t(w) * h, 90));
    const float negative[9] = {-5, 0, 0, 0, 0, 0, 0, 0, 0};
    Filter3x3Weighted(img.data(), w, h, &r, negative, 0, false);
    EXPECT_EQ(img[0], 0);            // a negative sum counts as 0
    EXPECT_EQ(img[size_t(w) * 4], 90);  // rows from bottom - 3 on are not windows

    QImage seen;
    SetFramePreview([&](const QImage& f) { seen = f.copy(); });
    img[size_t(w) * 2 + 3] = 7;
    const ImageRect part{1, 2, 5, 4};
    ShowFrameInConsole(img.data(), w, h, &part);
    SetFramePreview(nullptr);
    ASSERT_EQ(seen.width() * 10 + seen.height(), 42);
    EXPECT_EQ(seen.constScanLine(0)[2], 7);
}

TEST(ImageFilters, GaussianBlur)
{
    GaussianKernel k;
    EXPECT_FALSE(MakeGaussianKernel(&k, 4));
    ASSERT_TRUE(MakeGaussianKernel(&k, 5));
    double sum = 0;
    for (double v : k.weights)
        sum += v;
    EXPECT_NEAR(sum, 1.0, 1e-12);
    EXPECT_DOUBLE_EQ(k.weights[0], k.weights[4]);
    EXPECT_GT(k.weights[2], k.weights[1]);

    const unsigned w = 9, h = 7;
    const auto img = RandomBytes(w * h, 8);
    auto copy = img;
    EXPECT_FALSE(GaussianFilterInPlace(copy.data(), 0, w, h, 4));  // even
    EXPECT_FALSE(GaussianFilterInPlace(copy.data(), 0, w, h, 2 * w + 1));
    EXPECT_FALSE(GaussianFilter(nullptr, nullptr, w, h, 3));
    EXPECT_EQ(copy, img);
    std::vector<uint8_t> out(w * h, 0);
    ASSERT_TRUE(GaussianFilter(img.data(), out.data(), w, h, 1));
    EXPECT_EQ(out, img);
    std::vector<uint8_t> flat(w * h, 150);
    ASSERT_TRUE(GaussianFilterInPlace(flat.data(), 0, w, h, 7));
    EXPECT_EQ(flat, std::vector<uint8_t>(w * h, 150));
    // a single bright sample spreads symmetrically
    std::vector<uint8_t> dot(w * h, 0);
    dot[3 * w + 4] = 255;
    ASSERT_TRUE(GaussianFilterInPlace(dot.data(), 0, w, h, 3));
    EXPECT_LT(dot[3 * w + 4], 255);
    EXPECT_EQ(dot[3 * w + 3], dot[3 * w + 5]);
    EXPECT_EQ(dot[2 * w + 4], dot[4 * w + 4]);

    FilterLine line;
    line.columns = false;
    ASSERT_TRUE(line.Init(4, 2, 2));
    const uint8_t row[4] = {1, 2, 3, 4};
    line.Load(row);
    line.MirrorPad();
    EXPECT_EQ(line.buffer, (std::vector<uint8_t>{3, 2, 1, 2, 3, 4, 3, 2}));
}

TEST(ImageFilters, MediansMeansAndTrimmedMeans)
{
    const int w = 5, h = 5;
    std::vector<uint8_t> dark(size_t(w) * h, 10);
    dark[12] = 250;
    auto m = dark;
    MedianFilter(m.data(), 0, w, h);
    EXPECT_EQ(m, std::vector<uint8_t>(size_t(w) * h, 10));
    m = dark;
    HybridMedianFilter(m.data(), 0, w, h);
    EXPECT_EQ(m[12], 10);
    std::vector<uint8_t> flat(size_t(w) * h, 77);
    MeanFilter(flat.data(), 0, w, h);
    EXPECT_EQ(flat, std::vector<uint8_t>(size_t(w) * h, 77));
    m = dark;
    std::vector<uint8_t> out(size_t(w) * h, 0);
    Mean3x3(m.data(), out.data(), w, h);
    EXPECT_EQ(m, dark);  // the source stays when a destination is given
    EXPECT_EQ(out[12], uint8_t((8 * 10 + 250) / 9));
    TrimmedMeanFilter(m.data(), nullptr, w, h, 2);  // drops the bright sample
    EXPECT_EQ(m[12], 10);
    std::vector<uint8_t> raw(9, 0);
    Median3x3Raw(dark.data(), raw.data(), w, h);
    EXPECT_EQ(raw, std::vector<uint8_t>(9, 10));

    std::vector<uint8_t> line = {5, 9, 200, 7, 6, 8};
    auto l = line;
    Median5Line(l.data(), nullptr, 6);
    EXPECT_EQ(l[2], 7);  // median of 5, 9, 200, 7, 6
    l = line;
    TrimmedMean5Line(l.data(), nullptr, 6, 3);  // odd trim: nothing happens
    EXPECT_EQ(l, line);
    TrimmedMean5Line(l.data(), nullptr, 6, 2);
    EXPECT_EQ(l[2], uint8_t((6 + 7 + 9) / 3));
    uint8_t one = 42, dst = 0;
    Median5Line(&one, &dst, 1);
    EXPECT_EQ(dst, 42);
    uint8_t padded[7] = {1, 9, 3, 8, 2, 7, 4};
    uint8_t med[3];
    Median5Raw(padded, med, 7);
    EXPECT_EQ(med[0], 3);
    EXPECT_EQ(med[2], 4);
    uint8_t buf[4] = {4, 1, 3, 1};
    EXPECT_EQ(MedianOf(buf, 4), 3);
}

} // namespace
