// The 2D curves drawn as lines onto a picture through the GDI-like canvas.
#include "foundation/math/Curve2D.h"
#include "platform/GdiCanvas.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kRed = 0xFFFF0000u;

QImage Canvas()
{
    QImage image(100, 80, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

int CountRed(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == kRed;
    return n;
}

TEST(Curve2DDraw, StraightSegmentCoversItsPixelsButNotItsEnd)
{
    QImage image = Canvas();
    {
        QPainter painter(&image);
        platform::GdiCanvas dc(painter);
        dc.SelectPen(platform::MakeRGB(255, 0, 0)); // COLORREF 0x000000FF
        // tangents along the offset: a straight line from (10.7, 20) to (50.7, 20), 10 steps
        EXPECT_TRUE(CHermite2D(40, 0, 40, 0, 40, 0).Draw(dc, 10.7f, 20.0f));
    }
    for (int x = 10; x < 50; ++x)
        EXPECT_EQ(image.pixel(x, 20), kRed) << x;
    EXPECT_EQ(image.pixel(50, 20), kWhite); // the last line leaves out its end pixel
    EXPECT_EQ(image.pixel(9, 20), kWhite);
    EXPECT_EQ(CountRed(image), 40);
}

TEST(Curve2DDraw, CurveThroughPointsDrawsEverySegmentPoint)
{
    const std::vector<CVec2> through = {CVec2(5, 70), CVec2(30, 10), CVec2(60, 60), CVec2(95, 15)};
    const CCurve2D curve(through);
    QImage image = Canvas();
    {
        QPainter painter(&image);
        platform::GdiCanvas dc(painter);
        dc.SelectPen(platform::MakeRGB(255, 0, 0));
        EXPECT_TRUE(curve.Draw(dc));
    }
    // every segment point but the very last is a line's start or inner pixel
    for (int i = 0; i < curve.Size() - 1; ++i) {
        std::vector<CVec2> pts;
        curve.Segment(i).AppendPoints(curve.Point(i).x, curve.Point(i).y, pts);
        for (size_t k = 0; k + 1 < pts.size(); ++k)
            EXPECT_EQ(image.pixel(int(pts[k].x), int(pts[k].y)), kRed) << i << "/" << k;
    }
    EXPECT_EQ(image.pixel(95, 15), kWhite);
    // a connected thin line: no more pixels than the path is long, corner to corner
    const int red = CountRed(image);
    EXPECT_GT(red, 150);
    EXPECT_LT(red, 400);
    EXPECT_EQ(image.pixel(95, 75), kWhite);
    EXPECT_EQ(image.pixel(5, 5), kWhite);
}

TEST(Curve2DDraw, NothingToDrawOnReturnsFalse)
{
    QPainter inactive;
    platform::GdiCanvas none(inactive);
    EXPECT_FALSE(CHermite2D(40, 0, 0, 0, 0, 0).Draw(none, 0, 0));
    EXPECT_FALSE(CCurve2D(std::vector<CVec2>{CVec2(0, 0), CVec2(10, 10)}).Draw(none));

    QImage image = Canvas();
    QPainter painter(&image);
    platform::GdiCanvas live(painter);
    EXPECT_FALSE(CCurve2D(std::vector<CVec2>{CVec2(3, 3)}).Draw(live)); // no interval
    // far outside the picture and not-a-number: drawn (clipped) without harm
    EXPECT_TRUE(CHermite2D(1e12f, NAN, 0, 0, 0, 0, 3).Draw(live, -5e11f, 10));
}

} // namespace
