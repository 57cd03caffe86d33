// Which stored placements an editor window accepts.
#include "editor/window/LuaEditorPlacement.h"
#include "platform/GdiCanvas.h" // one rectangle type for placements and painting

#include <gtest/gtest.h>

TEST(LuaEditorPlacement, StoredRecordRules)
{
    platform::DesktopGeometry desk{{0, 0, 1920, 1080}, 1920, 1080};
    platform::WindowPlacement current;
    current.normal = {0, 0, 600, 500};
    auto record = [](platform::Rect r, size_t size) {
        platform::WindowPlacement p;
        p.normal = r;
        const auto b = platform::EncodePlacement(p);
        std::vector<uint8_t> v(b.begin(), b.end());
        v.resize(size, 0);
        return v;
    };
    struct Case {
        platform::Rect r;
        size_t size;
        bool accepted;
    };
    const Case cases[] = {
        {{100, 100, 700, 600}, 44, true},
        {{100, 100, 700, 600}, 43, false},        // short
        {{100, 100, 700, 600}, 45, false},        // long
        {{100, 100, 700, 600}, 0, false},
        {{1900, 100, 2500, 600}, 44, true},       // partly on the desktop
        {{2000, 1200, 2600, 1700}, 44, false},    // right of and below the screen
        {{2000, 100, 2600, 600}, 44, false},      // top edge inside, yet off the desktop
        {{-900, -900, -300, -300}, 44, false},    // above and left of it
    };
    for (const Case& c : cases) {
        const auto got = platform::AcceptPlacement(record(c.r, c.size), current, desk, kLuaEditorPlacementRule);
        EXPECT_EQ(got.has_value(), c.accepted) << c.r.left << "," << c.r.top << " size " << c.size;
        if (got) {
            EXPECT_EQ(got->normal, c.r);
            EXPECT_EQ(got->showCmd, 0u);
        }
    }
}
