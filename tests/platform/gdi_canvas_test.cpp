// Lines on the GDI-like canvas: the end pixel left out, a current position that
// MoveToEx and LineTo move, and lines far outside cut to the picture.
#include "platform/GdiCanvas.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage Canvas(int w = 40, int h = 30)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(0xFFFFFFFFu);
    return image;
}

TEST(GdiCanvas, LinesLeaveOutTheirEndAndMoveThePosition)
{
    QImage image = Canvas();
    QPainter painter(&image);
    platform::GdiCanvas dc(painter);
    dc.SelectPen(platform::MakeRGB(0x12, 0x34, 0x56));
    platform::GdiPoint previous{-1, -1};
    EXPECT_TRUE(dc.MoveToEx(2, 2, &previous));
    EXPECT_EQ(previous, (platform::GdiPoint{0, 0}));
    const platform::GdiPoint ends[] = {{10, 2}, {10, 12}, {2, 4}};
    for (const platform::GdiPoint& p : ends)
        EXPECT_TRUE(dc.LineTo(p.x, p.y));
    EXPECT_EQ(dc.GetCurrentPosition(), (platform::GdiPoint{2, 4}));
    painter.end();
    EXPECT_EQ(image.pixel(2, 2), 0xFF123456u) << "colours are 0x00BBGGRR";
    EXPECT_EQ(image.pixel(9, 2), 0xFF123456u);
    EXPECT_EQ(image.pixel(10, 2), 0xFF123456u); // start of the second line
    EXPECT_EQ(image.pixel(10, 11), 0xFF123456u);
    EXPECT_EQ(image.pixel(10, 12), 0xFF123456u); // start of the third
    EXPECT_EQ(image.pixel(2, 4), 0xFFFFFFFFu);   // the last end is left out
}

TEST(GdiCanvas, LinesFarOutsideAreCutToThePicture)
{
    QImage image = Canvas();
    QPainter painter(&image);
    platform::GdiCanvas dc(painter);
    // a horizontal line from far left to far right crosses the whole row, quickly
    dc.MoveToEx(-1000000000, 5);
    EXPECT_TRUE(dc.LineTo(1000000000, 5));
    // ending inside: the end pixel is still left out
    dc.MoveToEx(-1000000000, 9);
    EXPECT_TRUE(dc.LineTo(20, 9));
    // wholly outside: nothing
    dc.MoveToEx(-50, -50);
    EXPECT_TRUE(dc.LineTo(-10, 100));
    painter.end();
    for (int x = 0; x < 40; ++x)
        ASSERT_EQ(image.pixel(x, 5), 0xFF000000u) << x;
    EXPECT_EQ(image.pixel(0, 4), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(19, 9), 0xFF000000u);
    EXPECT_EQ(image.pixel(20, 9), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(0, 25), 0xFFFFFFFFu);
}

TEST(GdiCanvas, NothingToDrawOnStillMovesThePosition)
{
    QImage none;
    QPainter painter;
    platform::GdiCanvas dc(painter);
    EXPECT_FALSE(dc.MoveToEx(1, 1));
    EXPECT_FALSE(dc.LineTo(5, 5));
    EXPECT_EQ(dc.GetCurrentPosition(), (platform::GdiPoint{5, 5}));
}

} // namespace
