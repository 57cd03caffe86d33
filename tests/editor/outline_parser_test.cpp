#include "editor/editctrl/OutlineParser.h"
#include "outline_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Found {
    int start, end, header;
    uint32_t kind;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Found& f)
{
    return os << "{" << f.start << "," << f.end << ",h" << f.header << ",k" << f.kind << "}";
}

// Every node of the tree, depth first.
std::vector<Found> Nodes(COutlineNode& root)
{
    std::vector<COutlineNode*> all;
    root.GetDescendants(all);
    std::vector<Found> out;
    for (const COutlineNode* n : all)
        out.push_back({n->m_nStart, n->m_nEnd, n->m_nHeaderLength, n->m_nKind});
    return out;
}

// An outline with started outlining and the given OUTLINE_DATA content.
struct Outline : TextOutline {
    Outline(const std::string& text, const std::string& settings) : TextOutline(text)
    {
        Enable();
        m_bOutliningStarted = true;
        ReadOutlineSettings(settings, CLanguageSettingsDelimiters());
        ReparseOutlineRange(-1, -1, false);
    }
    static std::string CLanguageSettingsDelimiters() { return " \t\n,./?<>;:\"'{[}]~`%^&*()-+=!"; }
    COutlineParser& Parser() { return *m_pOutlineParser; }
};

const std::string kBraces = "<BLOCKS><BLOCK><Start>{</Start><End>}</End></BLOCK></BLOCKS>";
const std::string kLine = "<BLOCKS><BLOCK><Start>#</Start><End>\\n</End><AllowNestedBlocks>false</AllowNestedBlocks>"
                          "</BLOCK></BLOCKS>";

} // namespace

TEST(OutlineParser, PairsNestingBlocksAndLeavesUnmatchedOnes)
{
    const struct {
        const char* text;
        std::vector<Found> nodes;
    } cases[] = {
        {"{ { } }", {{0, 6, 0, 1}, {2, 4, 0, 1}}},
        {"{ a", {{0, 0, 0, 2}}},                            // opening without its end
        {"a }", {{2, 2, 0, 4}}},                            // closing without its start
        {"} {}", {{0, 0, 0, 4}, {2, 3, 0, 1}}},
        {"{ {}", {{0, 0, 0, 2}, {2, 3, 0, 1}}},
    };
    for (const auto& c : cases) {
        Outline o(c.text, kBraces);
        EXPECT_EQ(Nodes(o.m_OutlineRoot), c.nodes) << c.text;
        EXPECT_EQ(CheckOutlineTree(o.m_OutlineRoot), "") << c.text;
    }
    Outline o("{ a", kBraces);
    COutlineNode* open = o.m_OutlineRoot.Children()[0].get();
    o.ToggleOutlineNode(open);
    EXPECT_FALSE(open->m_bCollapsed);  // an unmatched opening cannot fold
}

TEST(OutlineParser, BlocksWithoutNesting)
{
    const std::string ignored = "<BLOCKS><BLOCK><Start>#</Start><End>\\n</End><AllowNestedBlocks>false</AllowNestedBlocks>"
                                "<Ignore>true</Ignore></BLOCK>"
                                "<BLOCK><Start>{</Start><End>}</End></BLOCK></BLOCKS>";
    const std::string escaped = "<EscapeSequences><EscapeSequence>\\\"</EscapeSequence></EscapeSequences>"
                                "<BLOCKS><BLOCK><Start>\"</Start><End>\"</End><AllowNestedBlocks>false"
                                "</AllowNestedBlocks></BLOCK></BLOCKS>";
    const struct {
        const char* text;
        const std::string& settings;
        std::vector<Found> nodes;
    } cases[] = {
        {"a # one\nb", kLine, {{2, 6, 0, 1}}},                  // the line feed is not part of it
        {"a # one", kLine, {{2, 6, 0, 1}}},                     // no end: runs to the end of the text
        {"# } {\n{ }", ignored, {{6, 8, 0, 1}}},                // ignored: shields its text, then dropped
        {"{ # }", ignored, {{0, 4, 0, 1}}},                     // an ignored block without its end shields nothing
        {"x \"a\\\"b\" \"c\"", escaped, {{2, 7, 0, 1}, {9, 11, 0, 1}}},  // an escape keeps the end from closing
    };
    for (const auto& c : cases) {
        Outline o(c.text, c.settings);
        EXPECT_EQ(Nodes(o.m_OutlineRoot), c.nodes) << c.text;
    }
    Outline o("{ # }\n}", ignored);  // the comment hides the first "}"
    EXPECT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{0, 6, 0, 1}}));
}

TEST(OutlineParser, MatchingRules)
{
    const std::string words = "<WholeWords>true</WholeWords><CaseSensitive>false</CaseSensitive>"
                              "<BLOCKS><BLOCK><Start>begin</Start><End>end</End></BLOCK></BLOCKS>";
    const struct {
        const char* text;
        std::vector<Found> nodes;
    } cases[] = {
        {"begin x end", {{0, 10, 0, 1}}},
        {"BEGIN x End", {{0, 10, 0, 1}}},           // case-insensitive
        {"begin xend end", {{0, 13, 0, 1}}},        // "xend": preceded by a letter, no match
        {"begin x endx", {{0, 0 + 4, 0, 2}}},       // followed by a letter
    };
    for (const auto& c : cases) {
        Outline o(c.text, words);
        EXPECT_EQ(Nodes(o.m_OutlineRoot), c.nodes) << c.text;
    }
}

TEST(OutlineParser, HeaderKeywords)
{
    const std::string settings = "<BLOCKS><BLOCK><Start>{</Start><End>}</End><KEYWORDS><Keyword>table</Keyword>"
                                 "</KEYWORDS></BLOCK></BLOCKS>";
    const std::string far(300, ' ');
    const std::string near(200, ' ');
    const struct {
        std::string text;
        std::vector<Found> nodes;
    } cases[] = {
        {"table {x}", {{6, 8, 6, 1}}},                           // blanks up to the keyword: start stays
        {"table t\n{x}", {{7, 10, 7, 1}}},                       // start moves back over the line end
        {"t = f(a)\n  {x}", {{8, 13, 4, 1}}},                    // "f (": a call header
        {"t = x; {x}", {{7, 9, 0, 1}}},                          // the search stops at ";"
        {"table" + near + "{x}", {{205, 207, 205, 1}}},
        {"table" + far + "{x}", {{305, 307, 0, 1}}},             // more than 256 characters back
        {"{ table } {x}", {{0, 8, 0, 1}, {10, 12, 0, 1}}},       // inside another node: no header
    };
    for (const auto& c : cases) {
        Outline o(c.text, settings);
        EXPECT_EQ(Nodes(o.m_OutlineRoot), c.nodes) << c.text.substr(0, 20);
    }
}

TEST(OutlineParser, ReparsesAfterEdits)
{
    Outline o("t = { a }\nu = { b }\n", kBraces);
    ASSERT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{4, 8, 0, 1}, {14, 18, 0, 1}}));

    o.Insert(6, "{");  // "t = { {a }": the new opening takes the end, the old one is left open
    EXPECT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{4, 4, 0, 2}, {6, 9, 0, 1}, {15, 19, 0, 1}}));
    EXPECT_EQ(CheckOutlineTree(o.m_OutlineRoot), "");
    o.Insert(9, "}");  // "t = { {a} }"
    EXPECT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{4, 10, 0, 1}, {6, 9, 0, 1}, {16, 20, 0, 1}}));
    o.Erase(4, 7);     // "t = \nu = { b }\n"
    EXPECT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{9, 13, 0, 1}}));
    o.Insert(15, "}");  // a stray closing at the end
    o.Insert(0, "{ ");  // its partner, typed far before it
    EXPECT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{0, 17, 0, 1}, {11, 15, 0, 1}}));
    EXPECT_EQ(CheckOutlineTree(o.m_OutlineRoot), "");
}

TEST(OutlineParser, PartnerOutsideTheStretch)
{
    // a stray closing brace stays as an unmatched node; an opening typed before
    // it at the top level pairs with it through the tree
    Outline o("x\n}", kBraces);
    ASSERT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{2, 2, 0, 4}}));
    COutlineParser& parser = o.Parser();
    o.text.insert(0, "{");
    o.OnOutlineTextInserted(0, 1);
    OutlineChangeSet changes(0, 1);
    parser.Parse(o.text, 0, 1, o.m_OutlineRoot, changes);
    // the closing is taken out, a region spans both
    EXPECT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{0, 3, 0, 1}}));
    ASSERT_EQ(changes.m_removed.size(), 1u);
    EXPECT_EQ(changes.m_removed[0]->m_nKind, COutlineNode::kCloseOnly);
}

TEST(OutlineParser, RegionReachingTheEndOfTheTextEnds)
{
    const std::string settings = "<BLOCKS><BLOCK><Start>[[</Start><End>]]</End><AllowNestedBlocks>false"
                                 "</AllowNestedBlocks></BLOCK><BLOCK><Start>{</Start><End>}</End></BLOCK></BLOCKS>";
    Outline o("{ a }\n{ b }\n{ c }\n", settings);
    ASSERT_EQ(o.m_OutlineRoot.Children().size(), 3u);
    o.Insert(8, "[[");  // an open long comment from inside the second table to the end
    EXPECT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{0, 4, 0, 1}, {6, 6, 0, 2}, {8, 19, 0, 1}}));
    o.Erase(8, 2);
    EXPECT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{0, 4, 0, 1}, {6, 10, 0, 1}, {12, 16, 0, 1}}));
}

TEST(OutlineParser, EmptyDelimitersNeverMatch)
{
    // an empty string would match everywhere without moving on
    Outline o("{ a } b", "<EscapeSequences><EscapeSequence></EscapeSequence></EscapeSequences>"
                         "<BLOCKS><BLOCK><Start></Start><End>b</End></BLOCK>"
                         "<BLOCK><Start>{</Start><End>}</End></BLOCK></BLOCKS>");
    EXPECT_TRUE(o.Parser().m_lstEscapes.empty());
    // the block's end still closes: a lone closing string
    EXPECT_EQ(Nodes(o.m_OutlineRoot), (std::vector<Found>{{0, 4, 0, 1}, {6, 6, 0, 4}}));
}

TEST(OutlineParser, SettingsReplaceBlocksAndAddEscapes)
{
    Outline o("{ }", kBraces + "<WholeWords>true</WholeWords>");
    ASSERT_EQ(o.m_OutlineRoot.Children().size(), 1u);
    EXPECT_TRUE(o.Parser().m_bWholeWords);
    o.ReadOutlineSettings("<EscapeSequences><EscapeSequence>\\\\</EscapeSequence></EscapeSequences>"
                          "<BLOCKS><BLOCK><Start>@</Start><End></End></BLOCK>"
                          "<BLOCK><Start>(</Start><End>)</End><ReplaceString>\"(...) \"</ReplaceString>"
                          "<AllowNestedBlocks>no</AllowNestedBlocks><Ignore>TRUE</Ignore></BLOCK>"
                          "<BLOCK><Start>x</Start></BLOCK><BLOCK><Start>y</Start><End>z</End></BLOCK></BLOCKS>",
                          "ab");
    COutlineParser& p = o.Parser();
    EXPECT_TRUE(o.m_OutlineRoot.Children().empty());  // every region deleted
    EXPECT_FALSE(p.m_bWholeWords);                    // defaults applied again
    EXPECT_EQ(p.m_strWordDelimiters, "ab");
    ASSERT_EQ(p.m_arrBlocks.size(), 1u);              // a BLOCK without End stops the list
    EXPECT_EQ(p.m_arrBlocks[0].strReplace, "(...) ");
    EXPECT_FALSE(p.m_arrBlocks[0].bNested);
    EXPECT_TRUE(p.m_arrBlocks[0].bIgnore);
    EXPECT_EQ(p.m_lstEscapes, (std::vector<std::string>{"\\\\", "@"}));
    o.ReadOutlineSettings("<EscapeSequences><EscapeSequence>~</EscapeSequence></EscapeSequences>", "ab");
    EXPECT_EQ(p.m_lstEscapes.size(), 3u);  // escape sequences add up
    EXPECT_TRUE(p.m_arrBlocks.empty());
}
