#include "platform/DialogUnits.h"

#include <gtest/gtest.h>

TEST(DialogUnits, ScaleByQuarterWidthAndEighthHeightRounded)
{
    // base units of the usual 8-point dialog font: 6 x 13 pixels
    const platform::DialogBaseUnits base{6, 13};
    EXPECT_EQ(platform::DialogUnitsToPixelsX(688, base), 1032);
    EXPECT_EQ(platform::DialogUnitsToPixelsY(445, base), 723);  // 723.125
    EXPECT_EQ(platform::DialogUnitsToPixelsY(3, base), 5);      // 4.875
    EXPECT_EQ(platform::DialogUnitsToPixelsX(-2, base), -3);    // -3.0
    EXPECT_EQ(platform::DialogUnitsToPixelsX(10, {}), 0);
}
