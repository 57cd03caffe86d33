// Text through the device-context-like painter: its cell's top-left corner at the
// given point, in the text colour, on the background colour when opaque.
#include "platform/GdiPainter.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

using platform::Rgb;

QRect Coloured(const QImage& image, QRgb colour)
{
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                r |= QRect(x, y, 1, 1);
    return r;
}

TEST(GdiText, TextSitsBelowAndRightOfItsPoint)
{
    QImage image(120, 40, QImage::Format_RGB32);
    image.fill(0xFFFFFFFFu);
    platform::GdiPoint extent;
    {
        platform::GdiPainter dc(image);
        dc.SetFont({"DejaVu Sans Mono", 400, 16});
        dc.SetTextColor(Rgb(0, 0, 255));
        dc.SetBkMode(platform::BkMode::Transparent);
        EXPECT_TRUE(dc.TextOut(10, 5, "Station", 7));
        extent = dc.TextExtent("Station", 7);
    }
    const QRect ink = Coloured(image, 0xFF0000FFu);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 10);
    EXPECT_GE(ink.top(), 5);
    EXPECT_LE(ink.right(), 10 + extent.x);
    EXPECT_LE(ink.bottom(), 5 + extent.y);
    EXPECT_GT(extent.x, 7 * 5);

    // opaque: the cell is filled with the background colour first
    image.fill(0xFFFFFFFFu);
    {
        platform::GdiPainter dc(image);
        dc.SetFont({"DejaVu Sans Mono", 400, 16});
        dc.SetBkColor(Rgb(255, 255, 0));
        dc.SetBkMode(platform::BkMode::Opaque);
        EXPECT_TRUE(dc.TextOut(10, 5, "Station", 7));
    }
    const QRect back = Coloured(image, 0xFFFFFF00u) | Coloured(image, 0xFF000000u);
    EXPECT_EQ(back.topLeft(), QPoint(10, 5));
    EXPECT_EQ(back.width(), extent.x);
    EXPECT_EQ(back.height(), extent.y);
}

} // namespace
