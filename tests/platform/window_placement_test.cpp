#include "platform/WindowPlacement.h"

#include <gtest/gtest.h>

#include <climits>

using platform::AcceptPlacement;
using platform::DesktopGeometry;
using platform::Rect;
using platform::WindowPlacement;

namespace {

const DesktopGeometry kDesktop{{0, 0, 1280, 1024}, 1280, 1024};

WindowPlacement Current()
{
    WindowPlacement p;
    p.normal = {100, 100, 1132, 825};
    return p;
}

std::vector<uint8_t> Record(const Rect& normal, size_t size = WindowPlacement::kBytes)
{
    WindowPlacement p;
    p.showCmd = WindowPlacement::kShowMaximized;
    p.normal = normal;
    const auto bytes = platform::EncodePlacement(p);
    return {bytes.begin(), bytes.begin() + std::min(size, bytes.size())};
}

} // namespace

TEST(WindowPlacement, RecordIsLittleEndianWithTheNormalRectangleAtTheEnd)
{
    WindowPlacement p;
    p.normal = {0x01020304, -2, 3, 4};
    const auto b = platform::EncodePlacement(p);
    EXPECT_EQ(b[0], 44);
    EXPECT_EQ(b[28], 0x04);
    EXPECT_EQ(b[31], 0x01);
    EXPECT_EQ(b[32], 0xFE);
    EXPECT_EQ(b[35], 0xFF);
    EXPECT_EQ(platform::OverlayPlacement(WindowPlacement{}, b.data(), b.size()), p);
}

TEST(WindowPlacement, MainWindowRule)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> record;
        bool applied;
    };
    const Case cases[] = {
        {"beyond both edges", Record({1280, 1024, 2000, 1600}), false},
        {"partly on screen", Record({1000, 900, 2000, 1600}), true},
        {"partly left of the desktop", Record({-300, 50, 200, 600}), true},
        {"left inside, top beyond", Record({100, 2000, 600, 2400}), false},
        {"top inside, left far beyond", Record({5000, 10, 5600, 400}), false},
        {"wholly above the desktop", Record({100, -900, 600, -10}), false},
        {"35 bytes", Record({10, 10, 500, 500}, 35), false},
        {"empty", {}, false},
        {"36 bytes", Record({10, 10, 500, 500}, 36), true},
    };
    for (const auto& c : cases) {
        const auto p = AcceptPlacement(c.record, Current(), kDesktop, platform::kMainWindowPlacementRule);
        EXPECT_EQ(p.has_value(), c.applied) << c.what;
        if (p) {
            EXPECT_EQ(p->showCmd, 0u) << c.what;
        }
    }
}

TEST(WindowPlacement, ShortRecordOverwritesOnlyItsOwnBytes)
{
    const auto p = AcceptPlacement(Record({10, 20, 500, 600}, 40), Current(), kDesktop,
                                   platform::kMainWindowPlacementRule);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->normal, (Rect{10, 20, 500, Current().normal.bottom}));

    const auto p36 = AcceptPlacement(Record({10, 20, 500, 600}, 36), Current(), kDesktop,
                                     platform::kMainWindowPlacementRule);
    ASSERT_TRUE(p36);
    EXPECT_EQ(p36->normal, (Rect{10, 20, Current().normal.right, Current().normal.bottom}));
}

TEST(WindowPlacement, WholeRecordRuleWantsExactly44BytesOnTheDesktop)
{
    const auto rule = platform::kWholeRecordPlacementRule;
    EXPECT_TRUE(AcceptPlacement(Record({10, 20, 500, 600}), Current(), kDesktop, rule));
    EXPECT_FALSE(AcceptPlacement(Record({10, 20, 500, 600}, 43), Current(), kDesktop, rule));
    auto longer = Record({10, 20, 500, 600});
    longer.push_back(0);
    EXPECT_FALSE(AcceptPlacement(longer, Current(), kDesktop, rule));
    EXPECT_FALSE(AcceptPlacement(Record({1300, 20, 1800, 600}), Current(), kDesktop, rule));
}

// A record whose normal rectangle is empty or inverted is refused by every rule,
// its width and height taken in 64 bits: no one-pixel or overflowing window.
TEST(WindowPlacement, EmptyOrInvertedRectangleIsRefused)
{
    struct Case {
        const char* what;
        Rect normal;
        size_t size;
    };
    const Case cases[] = {
        {"inverted across", {500, 20, 100, 600}, WindowPlacement::kBytes},
        {"inverted up and down", {10, 600, 500, 20}, WindowPlacement::kBytes},
        {"no width", {10, 20, 10, 600}, WindowPlacement::kBytes},
        {"no height", {10, 20, 500, 20}, WindowPlacement::kBytes},
        {"inverted by 32-bit wrap", {INT_MAX, 10, INT_MIN, 600}, WindowPlacement::kBytes},
        {"wider than 32 bits", {INT_MIN, 10, INT_MAX, 600}, WindowPlacement::kBytes},
        // 36 bytes: a left edge right of the current window's right edge
        {"short record, left beyond the kept right", {1200, 20, 0, 0}, 36},
    };
    for (const auto& c : cases)
        for (const auto* rule : {&platform::kMainWindowPlacementRule, &platform::kWholeRecordPlacementRule}) {
            if (rule->exactSize && c.size != WindowPlacement::kBytes)
                continue;
            EXPECT_FALSE(AcceptPlacement(Record(c.normal, c.size), Current(), kDesktop, *rule)) << c.what;
        }
    EXPECT_FALSE((Rect{500, 20, 100, 600}).Intersects(kDesktop.virtualRect));
}

// The normal rectangle of a window that is maximised, whichever the window system
// reports first: the new size or the new state.
TEST(WindowPlacement, NormalRectangleSurvivesMaximisingInEitherOrder)
{
    const Rect normal{100, 80, 900, 680}, moved{120, 90, 920, 690}, full{0, 0, 1280, 1024};
    {
        platform::NormalRectMemory m; // the state first: the new size comes maximised
        m.Moved(normal, true);
        m.Moved(full, false);
        m.Moved(full, false);
        EXPECT_EQ(m.Normal(full), normal);
    }
    {
        platform::NormalRectMemory m; // the size first, while the state still reads normal
        m.Moved(normal, true);
        m.Moved(moved, true);
        m.Moved(full, true);
        m.Moved(full, true); // the move of the same change
        EXPECT_EQ(m.Normal(full), moved);
        // restored, then maximised again with the state first
        m.Moved(moved, true);
        m.Moved(full, false);
        EXPECT_EQ(m.Normal(full), moved);
    }
    platform::NormalRectMemory none;
    none.Moved(full, false);
    EXPECT_FALSE(none.Normal(full));
}
