// The language settings and the outline as parts of the edit control.
#include "editctrl_fixture.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using edtest::EditFixture;

namespace {

const char* kBraces = "<OUTLINE_DATA><BLOCKS><BLOCK><Start>{</Start><End>}</End></BLOCK></BLOCKS></OUTLINE_DATA>";

class LanguageFixture : public EditFixture {
protected:
    void SetUp() override
    {
        EditFixture::SetUp();
        m_dir = NewTempFolder("editlang");
        m_oldDir = fs::current_path();
        fs::current_path(m_dir);
        fs::create_directories("Lua");
        fs::copy_file(std::string(QM_DATA_DIR) + "/Lua/luaedit.xml", "Lua/luaedit.xml");
    }
    void TearDown() override
    {
        fs::current_path(m_oldDir);
        fs::remove_all(m_dir);
        EditFixture::TearDown();
    }
    std::string m_dir;
    fs::path m_oldDir;
};

} // namespace

TEST_F(LanguageFixture, EditorStartupLoadsSettingsAndBuildsNoOutline)
{
    // as the script editor sets the control up
    ASSERT_NE(ctrl.m_pOutlineParser, nullptr);
    ctrl.m_bOutlining = true;
    ASSERT_TRUE(ctrl.LoadSettings("Lua//luaedit.xml"));
    ctrl.m_bOutlineParse = true;
    ctrl.m_bHyperlinks = false;
    SetText("local t = {\n  a = { 1 },\n}\nprint(t)\n");
    const int before = sink.invalidations;
    ctrl.ReparseOutlineRange(-1, -1);
    EXPECT_TRUE(ctrl.m_OutlineRoot.Children().empty());
    EXPECT_EQ(sink.invalidations, before);
    EXPECT_EQ(ctrl.m_mapKeywords.count("local"), 1u);
    EXPECT_EQ(ctrl.m_pOutlineParser->m_arrBlocks.size(), 6u);
    EXPECT_EQ(ctrl.GetLineCount(), 5);

    // the loaded blocks are the control's block table
    SetText("x = 1 -- note\ny = 2\n");
    EXPECT_TRUE(ctrl.IsNearBlockDelimiter(8));
    EXPECT_FALSE(ctrl.IsNearBlockDelimiter(16));
}

TEST_F(LanguageFixture, StartedOutlineFoldsLinesAndFollowsEdits)
{
    ctrl.m_bOutlining = true;
    ctrl.m_bOutlineParse = true;
    ASSERT_TRUE(ctrl.ParseSettings(kBraces));
    SetText("t = {\n a,\n b\n}\nx\n");
    ctrl.StartOutlining();
    ASSERT_EQ(ctrl.m_OutlineRoot.Children().size(), 1u);
    COutlineNode* region = ctrl.m_OutlineRoot.Children()[0].get();
    EXPECT_TRUE(region->m_bCollapsed);
    EXPECT_EQ(ctrl.m_nHiddenLines, 3);
    const int x = int(ctrl.GetText().find('x'));
    EXPECT_EQ(ctrl.LineFromOffset(x), 1);  // "t = {...}" then "x"

    ctrl.InsertText("-- ", 0, false);
    EXPECT_EQ(region->m_nStart, 7);
    EXPECT_EQ(ctrl.LineFromOffset(x + 3), 1);

    ctrl.StopOutlining();
    EXPECT_TRUE(ctrl.m_OutlineRoot.Children().empty());
    EXPECT_EQ(ctrl.LineFromOffset(x + 3), 4);

    ctrl.StartOutlining();
    ASSERT_EQ(ctrl.m_OutlineRoot.Children().size(), 1u);
    ctrl.SetWindowText("y\n");  // a new text: the old regions go
    EXPECT_TRUE(ctrl.m_OutlineRoot.Children().empty());
    EXPECT_EQ(ctrl.m_nHiddenLines, 0);
}

TEST_F(LanguageFixture, TypingReparsesAroundTheCaret)
{
    ctrl.m_bOutlining = true;
    ctrl.m_bOutlineParse = true;
    ASSERT_TRUE(ctrl.ParseSettings(kBraces));
    SetText("a = \nb = 1\n", 4);
    ctrl.m_bOutliningStarted = true;
    Type("{");
    ASSERT_EQ(ctrl.m_OutlineRoot.Children().size(), 1u);
    EXPECT_EQ(ctrl.m_OutlineRoot.Children()[0]->m_nKind, COutlineNode::kOpenOnly);
    ctrl.SetCaretOffset(int(ctrl.GetText().size()), false, false);
    Type("}");
    ASSERT_EQ(ctrl.m_OutlineRoot.Children().size(), 1u);
    EXPECT_EQ(ctrl.m_OutlineRoot.Children()[0]->m_nKind, COutlineNode::kRegion);
    EXPECT_EQ(ctrl.m_OutlineRoot.Children()[0]->m_nEnd, int(ctrl.GetText().size()) - 1);
    ctrl.Undo();
    ctrl.Undo();
    EXPECT_TRUE(ctrl.m_OutlineRoot.Children().empty());
}

TEST_F(LanguageFixture, ResetDropsTheParser)
{
    ctrl.m_bOutlining = true;
    ASSERT_TRUE(ctrl.ParseSettings(kBraces));
    ctrl.Reset();
    EXPECT_EQ(ctrl.m_pOutlineParser, nullptr);
    EXPECT_TRUE(ctrl.ParseSettings(kBraces));  // nothing to load it into: still a success
    ctrl.m_bOutlineParse = true;
    ctrl.m_bOutliningStarted = true;
    SetText("{ }");
    ctrl.ReparseOutlineRange(-1, -1);
    EXPECT_TRUE(ctrl.m_OutlineRoot.Children().empty());
}

// With 30 000 colour blocks in the settings file a keystroke and the repaint
// after it take about as long as with a few.
TEST_F(LanguageFixture, KeystrokeWithThirtyThousandBlocksStaysQuick)
{
    {
        std::ofstream f("Lua/many.xml", std::ios::binary);
        f << "<COLOR_DATA><BLOCKS>\n"
             "<BLOCK><Start>--[[</Start><End>]]</End><Color>008000</Color><WholeText>True</WholeText></BLOCK>\n"
             "<BLOCK><Start>--</Start><Color>008000</Color></BLOCK>\n"
             "<BLOCK><Start>\"</Start><End>\"</End><Color>800000</Color></BLOCK>\n";
        for (int i = 0; i < 30000; ++i)
            f << "<BLOCK><Start>#" << i % 1000 << "</Start><End>" << (i % 2 ? "" : "@") << "</End><Color>0000FF</Color></BLOCK>\n";
        f << "</BLOCKS></COLOR_DATA>\n";
    }
    ASSERT_TRUE(ctrl.LoadSettings("Lua//many.xml"));
    ASSERT_EQ(ctrl.BlockCount(), 30003);
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += i % 3 ? "local value = 12345678\n" : "local s = \"a\" -- note #" + std::to_string(i) + " x @ y\n";
    SetText(text, int(text.find("value", text.size() / 2)) + 2); // no block string near
    std::vector<EcPaintLine> lines;
    double slowest = 0;
    for (int key = 0; key < 3; ++key) {
        const auto t0 = std::chrono::steady_clock::now();
        ctrl.NoteKeyDown('Z');
        ctrl.OnChar('z');
        ctrl.BuildPaintLines(0, 19, false, lines);
        slowest = std::max(slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    // seconds: the first key reads the blocks into look-up tables (4 ms, 0.1 s
    // under the sanitizers), each later one takes microseconds; seconds before
    EXPECT_LT(slowest, 1.0);
    ASSERT_FALSE(lines.empty());
}
