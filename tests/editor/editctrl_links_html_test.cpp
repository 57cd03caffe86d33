// Links, variable tips and the HTML export.
#include "editctrl_fixture.h"

#include <gtest/gtest.h>

#include <string>

using edtest::EditFixture;

namespace {

class LinkCtrl : public edtest::TestCtrl {
public:
    void OpenHyperlink(int start, const std::string& link) override
    {
        opened = link;
        openedAt = start;
    }
    std::string opened;
    int openedAt = -1;
};

} // namespace

TEST_F(EditFixture, FindHyperlinkCases)
{
    struct Case {
        const char* word;
        bool found;
        const char* link;
        int start;
    } cases[] = {
        {"(http://a.b/c)", true, "http://a.b/c", 1}, // the closing parenthesis is cut
        {"xhttp://a.b", false, "", 0},               // a prefix inside a word
        {"http://a.b.", true, "http://a.b", 0},      // a full stop after it
        {"mailto:x@y.z,", true, "mailto:x@y.z", 0},  // a comma after it
        {"ftp://h/p?q=1", true, "ftp://h/p?q=1", 0}, // delimiters inside stay
        {"plain", false, "", 0},
    };
    for (const Case& c : cases) {
        SetText(c.word);
        std::string link;
        int start = -1;
        EXPECT_EQ(ctrl.FindHyperlink(0, ctrl.GetTextLength(), link, start), c.found) << c.word;
        if (c.found) {
            EXPECT_EQ(link, c.link) << c.word;
            EXPECT_EQ(start, c.start) << c.word;
        }
    }
}

TEST_F(EditFixture, EmptyUrlPrefixMakesNoLink)
{
    ctrl.m_lstUrlPrefixes = {"", "http://"};
    SetText("word");
    std::string link;
    int start = -1;
    EXPECT_FALSE(ctrl.FindHyperlink(0, 4, link, start));
}

TEST_F(EditFixture, PaintFindsLinksAndColoursThem)
{
    ctrl.m_bHyperlinks = true;
    ctrl.m_crLink = 0x00ABCDEF;
    SetText("see (http://a.b/c) now\nhttp://x.y.");
    std::vector<EcPaintLine> lines;
    ctrl.BuildPaintLines(0, 19, false, lines);
    ASSERT_EQ(ctrl.Links().size(), 2u);
    EXPECT_EQ(ctrl.Links()[0].text, "http://a.b/c");
    EXPECT_EQ(ctrl.Links()[0].start, 5);
    EXPECT_EQ(ctrl.Links()[1].text, "http://x.y");
    bool linkRun = false;
    for (const EcColorRun& r : lines[0].runs)
        if (r.link) {
            linkRun = true;
            EXPECT_EQ(r.start, 5);
            EXPECT_EQ(r.end, 17);
            EXPECT_EQ(r.crText, 0x00ABCDEFu);
        }
    EXPECT_TRUE(linkRun);
    EXPECT_EQ(ctrl.LinkIndexAt(6), 0);
    EXPECT_EQ(ctrl.LinkIndexAt(2), -1);
    // links off: nothing found
    ctrl.m_bHyperlinks = false;
    ctrl.BuildPaintLines(0, 19, false, lines);
    for (const EcColorRun& r : lines[0].runs)
        EXPECT_FALSE(r.link);
}

TEST_F(EditFixture, ReadingUrlPrefixesForgetsTheLinksAndTheirIndices)
{
    ctrl.m_bHyperlinks = true;
    SetText("http://a.b http://c.d", 2);
    std::vector<EcPaintLine> lines;
    ctrl.BuildPaintLines(0, 19, false, lines);
    ASSERT_EQ(ctrl.Links().size(), 2u);
    ctrl.m_nHotLink = 1; // the mouse over the second link
    ctrl.m_nCaretLink = 0;
    ctrl.ParseHyperlinkSettings("<URLPrefixes><URLPrefix>www.</URLPrefix></URLPrefixes>");
    EXPECT_TRUE(ctrl.Links().empty());
    EXPECT_EQ(ctrl.m_nHotLink, -1);
    EXPECT_EQ(ctrl.m_nCaretLink, -1);
    std::string tip;
    EXPECT_FALSE(ctrl.GetLinkTip(tip));
}

TEST_F(EditFixture, LinkTipAndTipChoice)
{
    LinkCtrl links;
    links.Create(&sink, &measurer, EcRect{0, 0, edtest::kLeft + 80 * edtest::kCharW, 20 * edtest::kLineH});
    links.m_bHyperlinks = true;
    links.SetWindowText("go http://a.b now");
    std::vector<EcPaintLine> lines;
    links.BuildPaintLines(0, 19, false, lines);
    links.m_nHotLink = links.LinkIndexAt(5);
    std::string tip;
    bool wide = false;
    ASSERT_TRUE(links.GetTipText(At(5, 0), tip, wide));
    EXPECT_EQ(tip, "http://a.b\nCTRL + click to follow link");
    EXPECT_TRUE(wide);
    links.m_nHotLink = -1;
    ASSERT_TRUE(links.GetTipText(At(14, 0), tip, wide)); // the word under the mouse
    EXPECT_EQ(tip, "now");
    EXPECT_FALSE(wide);
    EXPECT_FALSE(links.GetTipText(At(2, 0), tip, wide)); // a blank: no tip
}

TEST_F(EditFixture, FollowLinkAtCaretOpensOnlyWithLinksOn)
{
    LinkCtrl links;
    links.Create(&sink, &measurer, EcRect{0, 0, edtest::kLeft + 80 * edtest::kCharW, 20 * edtest::kLineH});
    links.m_bHyperlinks = true;
    links.SetWindowText("go ftp://h/f, now");
    std::vector<EcPaintLine> lines;
    links.BuildPaintLines(0, 19, false, lines);
    links.SetCaretOffset(6, false, false);
    std::string text;
    EXPECT_TRUE(links.GetLinkText(text));
    EXPECT_EQ(text, "ftp://h/f");
    links.FollowLinkAtCaret();
    EXPECT_EQ(links.opened, "ftp://h/f");
    EXPECT_EQ(links.openedAt, 3);
    links.opened.clear();
    links.SetCaretOffset(15, false, false);
    links.FollowLinkAtCaret(); // no link at the caret
    links.m_bHyperlinks = false;
    links.SetCaretOffset(6, false, false);
    links.FollowLinkAtCaret(); // links off
    EXPECT_TRUE(links.opened.empty());
    EXPECT_FALSE(links.GetLinkText(text));
}

TEST_F(EditFixture, VariableTips)
{
    const std::vector<std::string> list = {"Locals:", "count=12 number", "name=a=b string", "=odd", "", "late=1 number"};
    struct Case {
        const char* word;
        bool found;
        const char* tip;
    } cases[] = {
        {"count", true, "count = 12 number"},
        {"name", true, "name = a=b string"}, // a value with "=" is kept whole
        {"other", false, "other"},
        {"late", false, "late"}, // after the empty line nothing is searched
        {"Count", false, "Count"},
        {"", false, ""},
    };
    ctrl.SetVariableList(list);
    for (const Case& c : cases) {
        std::string text = c.word;
        EXPECT_EQ(ctrl.GetVariableTip(text), c.found) << c.word;
        EXPECT_EQ(text, c.tip);
    }
    // an empty first line: never a tip
    ctrl.SetVariableList({"", "count=12 number"});
    std::string text = "count";
    EXPECT_FALSE(ctrl.GetVariableTip(text));
    // a word hovered during a break shows its value; any other word itself
    ctrl.SetVariableList(list);
    SetText("count + x");
    std::string tip;
    bool wide = false;
    ASSERT_TRUE(ctrl.GetTipText(At(1, 0), tip, wide));
    EXPECT_EQ(tip, "count = 12 number");
    ASSERT_TRUE(ctrl.GetTipText(At(8, 0), tip, wide));
    EXPECT_EQ(tip, "x");
    ctrl.SetVariableList({}); // running again: no variable tips
    ASSERT_TRUE(ctrl.GetTipText(At(1, 0), tip, wide));
    EXPECT_EQ(tip, "count");
}

TEST_F(EditFixture, HtmlExport)
{
    ctrl.m_crText = 0x000000;
    ctrl.m_crBack = 0xFFFFFF;
    struct Case {
        const char* text;
        const char* html;
    } cases[] = {
        {"a<b", "<font color=\"#000000\">a&lt;b"},
        {"a&lt;", "<font color=\"#000000\">a&amp;lt;"},
        {"x\ty z", "<font color=\"#000000\">x&nbsp;&nbsp;&nbsp;y&nbsp;z"},
        {"a\nb", "<font color=\"#000000\">a<BR>\nb"},
    };
    for (const Case& c : cases) {
        SetText(c.text);
        std::string html;
        ctrl.GetHtmlText(html);
        EXPECT_EQ(html, c.html) << c.text;
    }
}

TEST_F(EditFixture, HtmlColourChangesOpenTagsWithoutClosing)
{
    ctrl.m_crText = 0x000000;
    ctrl.m_crBack = 0xFFFFFF;
    ctrl.AddKeyword("if", 0x0000FF, kNoColor, true);
    SetText("if x if");
    std::string html;
    ctrl.GetHtmlText(html);
    EXPECT_EQ(html, "<font color=\"#ff0000\">if<font color=\"#000000\">&nbsp;x&nbsp;<font color=\"#ff0000\">if");
    EXPECT_EQ(html.find("</font>"), std::string::npos);
}
