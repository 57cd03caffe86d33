// Special sequences shown as images, the image list's line height, and the
// block delimiter queries.
#include "editctrl_fixture.h"

#include "platform/VirtualKeys.h"

namespace edtest {
namespace {

class FixedImages : public IEditImageList
{
public:
    explicit FixedImages(std::vector<EcPoint> sizes) : sizes(std::move(sizes)) {}
    int ImageCount() const override { return int(sizes.size()); }
    EcPoint ImageSize(int index) const override { return sizes[size_t(index)]; }
    std::vector<EcPoint> sizes;
};

class SequenceFixture : public EditFixture
{
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        SequenceInfo arrow;
        arrow.name = "arrow";
        arrow.text = "->";
        arrow.image = 0;
        SequenceInfo bell;
        bell.name = "bell";
        bell.key = '\x07';
        bell.image = 0;
        ctrl.m_lstSequences = {arrow, bell};
    }
    FixedImages images{{{20, 12}}};
};

TEST_F(SequenceFixture, MatchesByTextForwardAndBackwardAndByKey)
{
    const std::string text = "a->b\x07";
    struct Case {
        int offset, end;
        bool forward;
        bool matches;
        int extra;
    } cases[] = {
        {1, 5, true, true, 1},   // "->" starts here
        {2, 5, true, false, 0},  // ">" alone
        {1, 2, true, false, 0},  // the end cuts it
        {3, 0, false, true, 1},  // "->" ends here
        {2, 0, false, false, 0}, // "-" alone
        {3, 2, false, false, 0}, // the lower limit cuts it
    };
    for (const Case& c : cases) {
        int extra = -1;
        SequenceInfo found;
        const char at = text[size_t(c.forward ? c.offset : c.offset - 1)];
        EXPECT_EQ(ctrl.MatchSequence(text, c.offset, c.end, at, &found, &extra, c.forward), c.matches)
            << c.offset << " " << c.forward;
        if (c.matches) {
            EXPECT_EQ(extra, c.extra);
            EXPECT_EQ(found.name, "arrow");
        }
    }
    int extra = -1;
    SequenceInfo found;
    EXPECT_TRUE(ctrl.MatchSequence(text, 4, 5, '\x07', &found, &extra, true));
    EXPECT_EQ(found.name, "bell");
    EXPECT_EQ(extra, 0);
    EXPECT_FALSE(ctrl.MatchSequence(text, 0, 5, '\0', nullptr, nullptr, true)); // key 0 is no key

    EXPECT_EQ(ctrl.GetSequenceLength(text, 1, true), 1);
    EXPECT_EQ(ctrl.GetSequenceLength(text, 3, false), 1);
    EXPECT_EQ(ctrl.GetSequenceLength(text, 0, true), 0);
    EXPECT_EQ(ctrl.GetSequenceLength(text, 0, false), 0);
    EXPECT_EQ(ctrl.GetSequenceLength(text, 5, true), 0);
}

TEST_F(SequenceFixture, ArrowKeysStepOverASequenceOnlyWhenImagesAreOn)
{
    SetText("a->b", 1);
    ctrl.OnKeyDown(platform::vk::kRight, false, false);
    EXPECT_EQ(ctrl.GetCaret(), 2); // off: one character
    ctrl.m_bSequenceImages = true;
    ctrl.SetCaretOffset(1, true, false);
    ctrl.OnKeyDown(platform::vk::kRight, false, false);
    EXPECT_EQ(ctrl.GetCaret(), 3);
    ctrl.OnKeyDown(platform::vk::kLeft, false, false);
    EXPECT_EQ(ctrl.GetCaret(), 1);
}

TEST_F(SequenceFixture, ASequenceMeasuresAndPaintsAsItsImage)
{
    ctrl.SetImageList(&images);
    SetText("a->b");
    ctrl.m_bSequenceImages = true;
    EcPoint p;
    ctrl.PointFromOffset(4, p);
    EXPECT_EQ(p.x, kLeft + 2 * kCharW + 20); // "a", the image, "b"

    std::vector<EcPaintLine> lines;
    ctrl.BuildPaintLines(0, 0, false, lines);
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].runs.size(), 3u);
    const EcColorRun& run = lines[0].runs[1];
    EXPECT_EQ(run.kind, EcColorRun::kSequence);
    EXPECT_EQ(run.start, 1);
    EXPECT_EQ(run.end, 3);
    ASSERT_TRUE(run.sequence);
    EXPECT_EQ(run.sequence->name, "arrow");

    ctrl.m_bSequenceImages = false;
    ctrl.PointFromOffset(4, p);
    EXPECT_EQ(p.x, kLeft + 4 * kCharW);
    ctrl.BuildPaintLines(0, 0, false, lines);
    ASSERT_EQ(lines[0].runs.size(), 1u);
}

TEST_F(EditFixture, TheFirstImageWidensTheLineSpacing)
{
    FixedImages tall({{16, 24}, {16, 40}});
    ctrl.SetImageList(&tall);
    ctrl.RecalcFontMetrics();
    EXPECT_EQ(ctrl.GetLineHeight(), 24); // the first image, not the tallest
    FixedImages small({{16, 10}});
    ctrl.SetImageList(&small);
    ctrl.RecalcFontMetrics();
    EXPECT_EQ(ctrl.GetLineHeight(), 24); // the spacing never shrinks
}

TEST_F(EditFixture, BlockDelimiterQueries)
{
    ctrl.AddBlock("--[[", "]]", true, 0x008000, kNoColor);
    ctrl.AddBlock("\"", "\"", false, 0x800000, kNoColor);
    for (char c : std::string("-[]\""))
        EXPECT_TRUE(ctrl.IsBlockDelimiterChar(c)) << c;
    for (char c : std::string("a(=\n"))
        EXPECT_FALSE(ctrl.IsBlockDelimiterChar(c)) << c;
    EXPECT_TRUE(ctrl.ContainsBlockDelimiter("x = --[[ y"));
    EXPECT_TRUE(ctrl.ContainsBlockDelimiter("a]]"));
    EXPECT_TRUE(ctrl.ContainsBlockDelimiter("say \"hi"));
    EXPECT_FALSE(ctrl.ContainsBlockDelimiter("-- [ ] x"));
    // the answers follow the block list
    ctrl.AddBlock("(*", "*)", false, 0x800000, kNoColor);
    EXPECT_TRUE(ctrl.IsBlockDelimiterChar('('));
    EXPECT_TRUE(ctrl.ContainsBlockDelimiter("f (* x"));
    ctrl.RemoveAllBlocks();
    EXPECT_FALSE(ctrl.IsBlockDelimiterChar('-'));
    EXPECT_FALSE(ctrl.ContainsBlockDelimiter("x = --[[ y"));
}

// Settings read again with as many blocks as before but other strings.
TEST_F(EditFixture, BlockDelimitersFollowSettingsReadAgain)
{
    auto blocks = [](const std::string& a, const std::string& b) {
        return "<COLOR_DATA><BLOCKS><BLOCK><Start>" + a + "</Start><End>" + a + "</End></BLOCK><BLOCK><Start>" + b +
               "</Start><End>" + b + "</End></BLOCK></BLOCKS></COLOR_DATA>";
    };
    ASSERT_TRUE(ctrl.ParseSettings(blocks("--", "\"")));
    EXPECT_TRUE(ctrl.IsBlockDelimiterChar('-'));
    EXPECT_TRUE(ctrl.ContainsBlockDelimiter("x -- y"));
    ASSERT_TRUE(ctrl.ParseSettings(blocks("##", "'")));
    ASSERT_EQ(ctrl.BlockCount(), 2);
    EXPECT_FALSE(ctrl.IsBlockDelimiterChar('-'));
    EXPECT_FALSE(ctrl.IsBlockDelimiterChar('"'));
    EXPECT_TRUE(ctrl.IsBlockDelimiterChar('#'));
    EXPECT_TRUE(ctrl.IsBlockDelimiterChar('\''));
    EXPECT_FALSE(ctrl.ContainsBlockDelimiter("x -- y"));
    EXPECT_TRUE(ctrl.ContainsBlockDelimiter("x ## y"));
}

} // namespace
} // namespace edtest
