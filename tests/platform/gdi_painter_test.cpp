// The device-context-like painter on a picture: lines without their end pixel,
// outlines and fills inside left..right-1, top..bottom-1, colours as 0x00BBGGRR.
#include "platform/GdiPainter.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

using platform::Rgb;

QImage Canvas(int w = 40, int h = 30)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(0xFFFFFFFFu);
    return image;
}

TEST(GdiPainter, ColourValuesAreBgr)
{
    static_assert(Rgb(0x12, 0x34, 0x56) == 0x00563412u);
    QImage image = Canvas();
    {
        platform::GdiPainter dc(image);
        EXPECT_TRUE(dc.FillRect({2, 3, 5, 7}, 0x00563412u));
    }
    EXPECT_EQ(image.pixel(2, 3), 0xFF123456u);
    EXPECT_EQ(image.pixel(4, 6), 0xFF123456u);
    EXPECT_EQ(image.pixel(5, 6), 0xFFFFFFFFu); // right and bottom are outside
    EXPECT_EQ(image.pixel(4, 7), 0xFFFFFFFFu);
}

TEST(GdiPainter, LinesLeaveOutTheirEndAndMoveThePosition)
{
    QImage image = Canvas();
    platform::GdiPainter dc(image);
    dc.SetPen(platform::PenStyle::Solid, 1, Rgb(0, 0, 0));
    platform::GdiPoint previous{-1, -1};
    EXPECT_TRUE(dc.MoveToEx(2, 2, &previous));
    EXPECT_EQ(previous.x, 0);
    struct Case {
        int x, y;
    } ends[] = {{10, 2}, {10, 12}, {2, 4}};
    for (const Case& c : ends)
        EXPECT_TRUE(dc.LineTo(c.x, c.y));
    EXPECT_EQ(dc.GetCurrentPosition().x, 2);
    EXPECT_EQ(dc.GetCurrentPosition().y, 4);
    EXPECT_EQ(image.pixel(2, 2), 0xFF000000u);
    EXPECT_EQ(image.pixel(9, 2), 0xFF000000u);
    EXPECT_EQ(image.pixel(10, 2), 0xFF000000u); // start of the second line
    EXPECT_EQ(image.pixel(10, 11), 0xFF000000u);
    EXPECT_EQ(image.pixel(10, 12), 0xFF000000u); // start of the third
    EXPECT_EQ(image.pixel(2, 4), 0xFFFFFFFFu);  // the last end is left out

    // a polyline does not use or move the current position
    const platform::GdiPoint pts[] = {{20, 20}, {25, 20}, {25, 25}};
    EXPECT_TRUE(dc.Polyline(pts, 3));
    EXPECT_EQ(dc.GetCurrentPosition().x, 2);
    EXPECT_EQ(image.pixel(24, 20), 0xFF000000u);
    EXPECT_EQ(image.pixel(25, 25), 0xFFFFFFFFu);
    EXPECT_FALSE(dc.Polyline(pts, 1));
}

TEST(GdiPainter, RectangleAndEllipseStayInsideTheirBox)
{
    QImage image = Canvas();
    {
        platform::GdiPainter dc(image);
        dc.SetPen(platform::PenStyle::Solid, 1, Rgb(255, 0, 0));
        dc.SetBrush(Rgb(0, 0, 255));
        EXPECT_TRUE(dc.Rectangle(2, 2, 12, 8));
        dc.SetNullBrush();
        EXPECT_TRUE(dc.Ellipse(20, 5, 31, 16));
    }
    EXPECT_EQ(image.pixel(2, 2), 0xFFFF0000u);  // outline
    EXPECT_EQ(image.pixel(11, 7), 0xFFFF0000u); // right-1, bottom-1
    EXPECT_EQ(image.pixel(12, 7), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(11, 8), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(6, 5), 0xFF0000FFu);  // brush inside
    EXPECT_EQ(image.pixel(25, 5), 0xFFFF0000u); // top of the ellipse
    EXPECT_EQ(image.pixel(25, 10), 0xFFFFFFFFu); // no brush: hollow
    EXPECT_EQ(image.pixel(31, 10), 0xFFFFFFFFu);
}

TEST(GdiPainter, NullImageDrawsNothing)
{
    QImage none;
    platform::GdiPainter dc(none);
    EXPECT_FALSE(dc.IsActive());
    EXPECT_FALSE(dc.LineTo(5, 5));
    EXPECT_FALSE(dc.Rectangle(0, 0, 5, 5));
    EXPECT_FALSE(dc.TextOut(0, 0, "x", 1));
    EXPECT_EQ(dc.GetCurrentPosition().x, 5); // the position still moves
}

TEST(GdiPainter, LinesFarOutsideAreCutToThePicture)
{
    QImage image = Canvas();
    platform::GdiPainter dc(image);
    dc.SetPen(platform::PenStyle::Solid, 1, Rgb(0, 0, 0));
    // a horizontal line from far left to far right crosses the whole row, quickly
    dc.MoveToEx(-1000000000, 5);
    EXPECT_TRUE(dc.LineTo(1000000000, 5));
    for (int x = 0; x < 40; ++x)
        ASSERT_EQ(image.pixel(x, 5), 0xFF000000u) << x;
    EXPECT_EQ(image.pixel(0, 4), 0xFFFFFFFFu);
    // ending inside: the end pixel is still left out
    dc.MoveToEx(-1000000000, 9);
    EXPECT_TRUE(dc.LineTo(20, 9));
    EXPECT_EQ(image.pixel(19, 9), 0xFF000000u);
    EXPECT_EQ(image.pixel(20, 9), 0xFFFFFFFFu);
    // wholly outside: nothing
    dc.MoveToEx(-50, -50);
    EXPECT_TRUE(dc.LineTo(-10, 100));
    EXPECT_EQ(image.pixel(0, 25), 0xFFFFFFFFu);
}

} // namespace
