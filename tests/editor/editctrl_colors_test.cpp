// Colour runs of a paint: blocks, keywords, selection and markers.
#include "editctrl_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <tuple>
#include <vector>

using edtest::EditFixture;

namespace {

constexpr COLORREF kComment = 0x008000;
constexpr COLORREF kString = 0x000080;
constexpr COLORREF kKeyword = 0xFF0000;
constexpr COLORREF kFoo = 0x00FF00;
constexpr COLORREF kText = 0x000000;
constexpr COLORREF kBack = 0xFFFFFF;

class ColorFixture : public EditFixture {
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        ctrl.m_crText = kText;
        ctrl.m_crBack = kBack;
        ctrl.AddBlock("--[[", "]]", true, kComment, kNoColor);
        ctrl.AddBlock("--", "", false, kComment, kNoColor);
        ctrl.AddBlock("\"", "\"", false, kString, kNoColor);
        ctrl.AddKeyword("end", kKeyword, kNoColor, true);
    }
    // the text colour of each character of the painted lines, in text order
    std::vector<COLORREF> Colors(int lastVisible = 19)
    {
        std::vector<EcPaintLine> lines;
        ctrl.BuildPaintLines(0, lastVisible, false, lines);
        std::vector<COLORREF> out(ctrl.GetText().size(), kNoColor);
        for (const EcPaintLine& l : lines)
            for (const EcColorRun& r : l.runs)
                for (int i = r.start; i < r.end; ++i)
                    out[size_t(i)] = r.crText;
        return out;
    }
    std::vector<COLORREF> Backs()
    {
        std::vector<EcPaintLine> lines;
        ctrl.BuildPaintLines(0, 19, false, lines);
        std::vector<COLORREF> out(ctrl.GetText().size(), kNoColor);
        for (const EcPaintLine& l : lines)
            for (const EcColorRun& r : l.runs)
                for (int i = r.start; i < r.end; ++i)
                    out[size_t(i)] = r.crBack;
        return out;
    }
};

} // namespace

TEST_F(ColorFixture, BlockScanRanges)
{
    struct Case {
        const char* text;
        std::vector<std::pair<int, int>> ranges; // first, last
    } cases[] = {
        {"x = 1 -- note\ny", {{6, 13}}},          // a line comment through its LF only
        {"s = \"a\\\"b\" c", {{4, 9}}},           // an escaped quote does not end the string
        {"s = \"open\nt = 2", {{4, 9}}},          // an open string ends at the LF
        {"a --[[ x\ny ]] b", {{2, 12}}},          // a whole-text block runs over lines
        {"\"--[[\" z", {{0, 5}}},                 // the comment start inside a string is string text
        {"--[[ open\nrest", {{0, 13}}},           // an unterminated block runs to the end
    };
    for (const Case& c : cases) {
        SetText(c.text);
        std::vector<ColorRange> ranges;
        ctrl.ScanBlocks(0, ctrl.GetTextLength(), ranges);
        ASSERT_EQ(ranges.size(), c.ranges.size()) << c.text;
        for (size_t i = 0; i < ranges.size(); ++i) {
            EXPECT_EQ(ranges[i].first, c.ranges[i].first) << c.text;
            EXPECT_EQ(ranges[i].last, c.ranges[i].second) << c.text;
        }
    }
}

TEST_F(ColorFixture, LineCommentColoursThroughItsLineOnly)
{
    SetText("x -- r\nend");
    const auto colors = Colors();
    EXPECT_EQ(colors[0], kText);
    for (int i = 2; i < 6; ++i)
        EXPECT_EQ(colors[size_t(i)], kComment) << i;
    EXPECT_EQ(colors[7], kKeyword); // the next line is not coloured by it
}

TEST_F(ColorFixture, WholeTextBlockOpenedFarAboveStillColours)
{
    std::string text = "--[[ start\n";
    for (int i = 0; i < 50; ++i)
        text += "line " + std::to_string(i) + "\n";
    text += "end ]] end\n";
    SetText(text);
    ctrl.Scroll(1, 4, 45); // the block opened 45 lines above the top line
    ASSERT_EQ(ctrl.GetFirstLine(), 45);
    const int close = int(text.find("]]"));
    const auto colors = Colors();
    EXPECT_EQ(colors[text.find("line 44")], kComment); // the top line
    EXPECT_EQ(colors[size_t(close - 4)], kComment);    // "end" inside the block
    EXPECT_EQ(colors[size_t(close + 1)], kComment);    // through the end string
    EXPECT_EQ(colors[size_t(close + 2)], kText);
    EXPECT_EQ(colors[text.rfind("end")], kKeyword);    // after it, a keyword again
}

TEST_F(ColorFixture, BlockStartInsideStringAboveDoesNotOpen)
{
    std::string text = "s = \"--[[\"\n";
    for (int i = 0; i < 30; ++i)
        text += "x\n";
    text += "end\n";
    SetText(text);
    ctrl.Scroll(1, 4, 30);
    EXPECT_EQ(ctrl.WholeTextBlockAt(ctrl.GetFirstLineOffset()), nullptr);
    EXPECT_EQ(Colors()[text.rfind("end")], kKeyword);
}

TEST_F(ColorFixture, UnterminatedWholeBlockColoursItsLastCharacter)
{
    std::string text = "--[[\n";
    for (int i = 0; i < 30; ++i)
        text += "abc\n";
    text += "xyz";
    SetText(text);
    ctrl.Scroll(1, 4, 25);
    const ColorBlock* open = ctrl.WholeTextBlockAt(ctrl.GetFirstLineOffset());
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(ctrl.FindWholeTextBlockEnd(*open, ctrl.GetFirstLineOffset()), ctrl.GetTextLength());
    EXPECT_EQ(Colors().back(), kComment);
}

TEST_F(ColorFixture, KeywordCaseAndDelimiters)
{
    ctrl.AddKeyword("foo", kFoo, kNoColor, false);   // any capitalisation
    ctrl.AddKeyword("Foo", kKeyword, kNoColor, true); // this one exactly
    struct Case {
        const char* word;
        bool found;
        COLORREF color;
    } cases[] = {{"Foo", true, kKeyword}, {"foo", true, kFoo}, {"FOO", true, kFoo}, {"fOo", true, kFoo},
                 {"end", true, kKeyword}, {"END", false, 0},    {"", false, 0}};
    for (const Case& c : cases) {
        COLORREF t = 0, b = 0;
        EXPECT_EQ(ctrl.LookupKeyword(c.word, t, b), c.found) << c.word;
        if (c.found) {
            EXPECT_EQ(t, c.color) << c.word;
            EXPECT_EQ(b, kBack) << c.word; // no back colour: the default
        }
    }
    SetText("end;ends");
    const auto colors = Colors();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(colors[size_t(i)], kKeyword); // looked up as "end"
    EXPECT_EQ(colors[3], kText);
    EXPECT_EQ(colors[4], kText); // "ends" is no keyword
}

TEST_F(ColorFixture, SelectionBeatsKeywordsAndBlocksHighlightBeatsSelection)
{
    SetText("end -- c");
    ctrl.m_bHasFocus = true;
    ctrl.m_crSelText = 0x111111;
    ctrl.m_crSelBack = 0x222222;
    ctrl.SelectRange(1, 6);
    auto colors = Colors();
    EXPECT_EQ(colors[0], kKeyword);
    EXPECT_EQ(colors[1], 0x111111u);
    EXPECT_EQ(colors[5], 0x111111u); // inside the comment
    EXPECT_EQ(colors[6], kComment);  // the selection end is excluded
    ctrl.AddHiliteMarker(2, 3, 0x333333, 0x444444);
    colors = Colors();
    EXPECT_EQ(colors[2], 0x333333u);
    EXPECT_EQ(Backs()[2], 0x444444u);
    // without the focus the other selection colours
    ctrl.m_bHasFocus = false;
    ctrl.m_crSelText2 = 0x555555;
    EXPECT_EQ(Colors()[1], 0x555555u);
}

TEST_F(ColorFixture, LineColourMarkerAndSelectedLineEnd)
{
    SetText("ab\ncd\nef");
    ctrl.AddLineColorMarker(1, 0x123456, 0x654321, true, 0);
    std::vector<EcPaintLine> lines;
    ctrl.BuildPaintLines(0, 19, false, lines);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].runs.at(0).crText, 0x123456u);
    EXPECT_TRUE(lines[1].fill);
    EXPECT_EQ(lines[1].fillBack, 0x654321u);
    EXPECT_FALSE(lines[0].fill);
    // a selected line end shows as one selected blank
    ctrl.m_bHasFocus = true;
    ctrl.SelectRange(1, 4);
    ctrl.BuildPaintLines(0, 19, false, lines);
    EXPECT_TRUE(lines[0].endCell);
    EXPECT_EQ(lines[0].endBack, ctrl.m_crSelBack);
    // printing leaves out the selection and the markers
    ctrl.BuildPaintLines(0, 19, true, lines);
    EXPECT_FALSE(lines[0].endCell);
    EXPECT_EQ(lines[1].runs.at(0).crText, kText);
}

// The open block is known again between repaints: whatever the order of the
// offsets asked and the edits between them, each answer is the one a control
// asked for the first time gives.
TEST_F(ColorFixture, OpenBlockAnswersFollowScrollingAndEdits)
{
    const std::string text = "a \"--[[\" b\n--[[ c\nd ]] e\n--[[\n\"--[[\" f\n]]\ng";
    SetText(text);
    auto fresh = [&](int offset) {
        edtest::TestCtrl other;
        other.AddBlock("--[[", "]]", true, kComment, kNoColor);
        other.AddBlock("--", "", false, kComment, kNoColor);
        other.AddBlock("\"", "\"", false, kString, kNoColor);
        other.SetWindowText(Text());
        return other.WholeTextBlockAt(offset) != nullptr;
    };
    auto checkAll = [&](const char* when) {
        const int len = ctrl.GetTextLength();
        for (int pass = 0; pass < 2; ++pass)
            for (int k = 0; k <= len; ++k) {
                const int at = pass ? len - k : k; // down, then up
                EXPECT_EQ(ctrl.WholeTextBlockAt(at) != nullptr, fresh(at)) << when << " at " << at;
            }
    };
    checkAll("loaded");
    ctrl.SetCaretOffset(int(text.find("d ]]")) + 2, true, false);
    ctrl.OnChar('x'); // "]]" no longer closes
    checkAll("end string broken");
    ctrl.SetCaretOffset(1, true, false);
    ctrl.SetOverwrite(true);
    ctrl.OnChar('-'); // a byte in place
    ctrl.OnChar('-');
    ctrl.OnChar('[');
    ctrl.OnChar('[');
    ctrl.SetOverwrite(false);
    checkAll("start typed over");
    ctrl.Undo();
    checkAll("undone");
}

// Blocks whose starts overlap or are prefixes of one another: at each place the
// earliest start wins, among starts at one place the longest, among equal starts
// the one added last.
TEST_F(EditFixture, BlockScanAmongOverlappingStarts)
{
    ctrl.AddBlock("ab", "", false, 1, kNoColor);
    ctrl.AddBlock("abc", "x", false, 2, kNoColor);
    ctrl.AddBlock("b", "b", false, 3, kNoColor);
    ctrl.AddBlock("bcd", "!", false, 4, kNoColor);
    ctrl.AddBlock("ab", "y", false, 5, kNoColor); // the same start again: this one
    ctrl.AddBlock("<<", ">>", true, 6, kNoColor);
    ctrl.AddBlock("<", ">", false, 7, kNoColor);
    struct Case {
        const char* text;
        std::vector<std::tuple<int, int, COLORREF>> ranges; // first, last, colour
    } cases[] = {
        {"zabcdx q", {{1, 5, 2}}},                         // "abc" over "ab"
        {"ab y abc x b b", {{0, 3, 5}, {5, 9, 2}, {11, 13, 3}}}, // the newer "ab"
        {"bcd bcd! b", {{0, 7, 4}, {9, 9, 3}}},            // "bcd" over "b"; an open "b" ends with the text
        {"q ab\nabd bb", {{2, 4, 5}, {5, 10, 5}}},         // to the LF, then on
        {"<<a\n>> <a> <<", {{0, 5, 6}, {7, 9, 7}, {11, 12, 6}}},
        {"ba\\b b", {{0, 5, 3}}},                         // an escaped end string
        {"abcabc", {{0, 5, 2}}},
    };
    ctrl.m_strEscapeChars = "\\";
    for (const Case& c : cases) {
        SetText(c.text);
        std::vector<ColorRange> ranges;
        ctrl.ScanBlocks(0, ctrl.GetTextLength(), ranges);
        std::vector<std::tuple<int, int, COLORREF>> got;
        for (const ColorRange& r : ranges)
            got.emplace_back(r.first, r.last, r.crText);
        EXPECT_EQ(got, c.ranges) << c.text;
    }
}

// A line full of block starts is scanned in about the same time with 30 000
// blocks as with 30: at each place only the blocks whose start is there are
// looked at. Compared as medians of samples taken in turn.
TEST_F(EditFixture, BlockScanCostDoesNotGrowWithTheBlockCount)
{
    edtest::TestCtrl many;
    many.Create(&sink, &measurer, EcRect{0, 0, 100, 100});
    for (int i = 0; i < 30000; ++i) {
        const std::string start = "#" + std::to_string(i % 30);
        many.AddBlock(start, "@", false, 1, kNoColor);
        if (i < 30)
            ctrl.AddBlock(start, "@", false, 1, kNoColor);
    }
    std::string line;
    for (int k = 0; k < 20; ++k)
        line += "#" + std::to_string(k) + "@ ##";
    SetText(line);
    many.SetWindowText(line);
    std::vector<ColorRange> ranges;
    // seconds per scan of the line, over as many scans as take 0.2 ms (at least one)
    auto scan = [&](const CEditCtrl& c) {
        const auto t0 = std::chrono::steady_clock::now();
        int scans = 0;
        std::chrono::duration<double> took{};
        do {
            ranges.clear();
            c.ScanBlocks(0, c.GetTextLength(), ranges);
            ++scans;
            took = std::chrono::steady_clock::now() - t0;
        } while (took.count() < 2e-4);
        return took.count() / scans;
    };
    scan(ctrl);
    ASSERT_EQ(ranges.size(), 20u);
    scan(many);
    ASSERT_EQ(ranges.size(), 20u); // the same work
    std::vector<double> few, lots;
    for (int sample = 0; sample < 9; ++sample) {
        few.push_back(scan(ctrl));
        lots.push_back(scan(many));
    }
    std::nth_element(few.begin(), few.begin() + 4, few.end());
    std::nth_element(lots.begin(), lots.begin() + 4, lots.end());
    const double ratio = lots[4] / few[4];
    EXPECT_LT(ratio, 10.0) << "a scan with 30 000 blocks against 30: " << lots[4] << " s against " << few[4] << " s";
}
