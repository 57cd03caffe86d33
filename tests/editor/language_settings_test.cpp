#include "editor/editctrl/LanguageSettings.h"
#include "log_capture.h"
#include "outline_fixture.h"
#include "platform/Paths.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void WriteFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<std::string> BlockStarts(const CLanguageSettings& s)
{
    std::vector<std::string> starts;
    for (const auto& b : s.m_lstBlocks)
        starts.push_back(b.strStart);
    return starts;
}

} // namespace

TEST(ParseColor, NamesHexAndMalformed)
{
    const struct {
        const char* value;
        COLORREF expected;
    } cases[] = {
        {"\"Red\"", 0x0000FF},      {"00FF00", 0x00FF00},       {"0000ff", 0xFF0000},     {"123456", 0x563412},
        {"\"Gray\"", 0xC0C0C0},     {"\"darkgray\"", 0x808080}, {"\"BROWN\"", 0x008080},  {"\"purple\"", 0},
        {"F00", 0},                 {"", 0},                    {"GGGGGG", 0},            {"\"", 0},
        {"\"white\"", 0xFFFFFF},    {"\"darkblue\"", 0x800000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseColor(c.value), c.expected) << c.value;
}

TEST(GetXmlElement, ReadsNestedRemovesAndUnescapes)
{
    std::string src = "x<A> 1 <A>in</A> </A>y<A>2</A><B>unclosed";
    std::string value;
    ASSERT_TRUE(GetXmlElement(src, "A", value, false));
    EXPECT_EQ(value, "1 <A>in</A>");  // nested same-name element counted, value trimmed
    EXPECT_EQ(src, "xy<A>2</A><B>unclosed");
    ASSERT_TRUE(GetXmlElement(src, "A", value, false));
    EXPECT_EQ(value, "2");
    EXPECT_FALSE(GetXmlElement(src, "A", value, false));
    EXPECT_FALSE(GetXmlElement(src, "B", value, false));  // no close tag: absent, source kept
    EXPECT_EQ(src, "xy<B>unclosed");
    EXPECT_EQ(value, "2");

    const struct {
        const char* element;
        const char* expected;
    } unescaped[] = {
        {"<V>\" a\\tLT\"</V>", " a\t<"},   // quotes keep the blank; \t and LT replaced
        {"<V> \"ab </V>", "a"},             // trimmed first, then the last character dropped unchecked
        {"<V>\\n\\r\\bGTAMP</V>", "\n\r\b>&"},
        {"<V>\"</V>", "\""},                // a lone quote stays
        {"<V>\\\\t</V>", "\\\t"},
    };
    for (const auto& c : unescaped) {
        std::string s = c.element;
        ASSERT_TRUE(GetXmlElement(s, "V", value, true)) << c.element;
        EXPECT_EQ(value, c.expected) << c.element;
    }
}

// Reading a list element after element, by the reader and by repeated single
// reads: the same values and the same text left, also where removing an element
// joins an open tag from the text on its two sides.
TEST(GetXmlElement, ListReaderGivesWhatRepeatedReadsGive)
{
    const struct {
        const char* source;
        std::vector<std::string> values;
        const char* rest;
    } cases[] = {
        {"<K>a</K>x<K> b </K>y", {"a", "b"}, "xy"},
        {"<K<K>a</K>>b</K>", {"a", "b"}, ""},         // "<K" + ">b</K>" is an element once "a" is gone
        {"<<K>a</K>K>c</K>z", {"a", "c"}, "z"},
        {"<K>1<K>2</K></K><K>3</K>", {"1<K>2</K>", "3"}, ""},
        {"<K>a</K><K>b", {"a"}, "<K>b"},              // no close tag: the rest stays
        {"<K>a<K>", {}, "<K>a<K>"},
        {"<K>\\\\nLT</K><K>AMPAMP</K>", {"\\\n<", "&&"}, ""},  // a backslash, then the escape
    };
    for (const auto& c : cases) {
        for (const bool single : {false, true}) {
            std::string source = c.source;
            std::vector<std::string> values;
            std::string value;
            std::string rest;
            if (single) {
                while (GetXmlElement(source, "K", value, true))
                    values.push_back(value);
                rest = source;
            } else {
                XmlElementReader reader(source, "K", true);
                while (reader.Next(value))
                    values.push_back(value);
                rest = reader.Rest();
            }
            EXPECT_EQ(values, c.values) << c.source << (single ? " (single reads)" : "");
            EXPECT_EQ(rest, c.rest) << c.source << (single ? " (single reads)" : "");
        }
    }
}

TEST(LanguageSettings, TextWithoutSectionsEmptiesTablesKeepsTheRest)
{
    CLanguageSettings s;
    s.m_crText = 0x123456;
    s.m_strWordDelimiters = "xy";
    s.AddKeyword("local", 1, 2, true);
    s.AddBlock("--", "", false, 1, 2);
    EXPECT_TRUE(s.ParseSettings("<OTHER>1</OTHER> plain text"));
    EXPECT_TRUE(s.m_mapKeywords.empty());
    EXPECT_TRUE(s.m_lstBlocks.empty());
    EXPECT_EQ(s.m_crText, 0x123456u);
    EXPECT_EQ(s.m_strWordDelimiters, "xy");
}

TEST(LanguageSettings, OptionsAndColours)
{
    CLanguageSettings s;
    EXPECT_EQ(s.m_strWordDelimiters.size(), 29u);
    ASSERT_TRUE(s.ParseSettings("<OPTIONS><WordDelimeters>\" ,\\tLT\"</WordDelimeters>"
                                "<SpecialDelimiters>;</SpecialDelimiters></OPTIONS>"
                                "<COLOR_DATA><EditTextColor>\"red\"</EditTextColor><SelBackColor>0000FF</SelBackColor>"
                                "<SelTextColor>bad</SelTextColor></COLOR_DATA>"));
    EXPECT_EQ(s.m_strWordDelimiters, " ,\t<");
    EXPECT_EQ(s.m_strSpecialDelimiters, ";");
    EXPECT_EQ(s.m_crText, 0x0000FFu);
    EXPECT_EQ(s.m_crBack, kNoColor);  // absent: unchanged
    EXPECT_EQ(s.m_crSelBack, 0xFF0000u);
    EXPECT_EQ(s.m_crSelBack2, 0xFF0000u);
    EXPECT_EQ(s.m_crSelText, 0u);
    EXPECT_EQ(s.m_crSelText2, 0u);
}

TEST(LanguageSettings, KeywordGroupAndWords)
{
    const struct {
        const char* caseSensitive;
        const char* key;
    } cases[] = {{"True", "Print"}, {"TRUE", "Print"}, {"true", "Print"}, {"False", "PRINT"}, {"yes", "PRINT"}};
    for (const auto& c : cases) {
        CLanguageSettings s;
        s.ParseSettings(std::string("<COLOR_DATA><KEYWORDS><CaseSensitive>") + c.caseSensitive +
                        "</CaseSensitive><Color>\"blue\"</Color><Keyword>Print</Keyword></KEYWORDS></COLOR_DATA>");
        ASSERT_EQ(s.m_mapKeywords.size(), 1u) << c.caseSensitive;
        ASSERT_EQ(s.m_mapKeywords.count(c.key), 1u) << c.caseSensitive;
        EXPECT_EQ(s.m_mapKeywords[c.key].crText, 0xFF0000u);
        EXPECT_EQ(s.m_mapKeywords[c.key].crBack, kNoColor);
    }

    CLanguageSettings s;
    // no Color: the whole group is ignored; a WORD without Val ends the list
    s.ParseSettings("<COLOR_DATA><KEYWORDS><Keyword>and</Keyword></KEYWORDS>"
                    "<KEYWORDS><Color>\"red\"</Color><Keyword>second</Keyword></KEYWORDS>"
                    "<WORDS><WORD><Val>print</Val><Color>\"green\"</Color><BackColor>FFFFFF</BackColor></WORD>"
                    "<WORD><Color>\"red\"</Color></WORD>"
                    "<WORD><Val>later</Val><Color>\"red\"</Color></WORD></WORDS></COLOR_DATA>");
    ASSERT_EQ(s.m_mapKeywords.size(), 1u);  // only the first KEYWORDS group is read
    EXPECT_EQ(s.m_mapKeywords["print"].crText, 0x00FF00u);
    EXPECT_EQ(s.m_mapKeywords["print"].crBack, 0xFFFFFFu);

    s.AddKeyword("x", 1, 1, true);
    s.AddKeyword("x", 2, 2, true);  // the last entry wins
    EXPECT_EQ(s.m_mapKeywords["x"].crText, 2u);
    EXPECT_FALSE(s.RemoveKeyword("X"));
    EXPECT_TRUE(s.RemoveKeyword("x"));
}

TEST(LanguageSettings, BlocksOrderedLongestFirstWithRefusals)
{
    for (const bool shortFirst : {true, false}) {
        CLanguageSettings s;
        const std::string a = "<BLOCK><Start>--</Start><Color>\"darkgreen\"</Color></BLOCK>";
        const std::string b = "<BLOCK><Start>--[[</Start><End>]]</End><WholeText>True</WholeText></BLOCK>";
        s.ParseSettings("<COLOR_DATA><BLOCKS>" + (shortFirst ? a + b : b + a) + "</BLOCKS></COLOR_DATA>");
        ASSERT_EQ(BlockStarts(s), (std::vector<std::string>{"--[[", "--"})) << shortFirst;
        EXPECT_TRUE(s.m_lstBlocks.front().bWholeText);
        EXPECT_EQ(s.m_lstBlocks.back().strEnd, "");
        EXPECT_EQ(s.m_lstBlocks.back().crText, 0x008000u);
        EXPECT_EQ(s.m_lstBlocks.back().crBack, kNoColor);
    }

    CLanguageSettings s;
    s.ParseSettings("<COLOR_DATA><BLOCKS>"
                    "<BLOCK><Start>\"</Start><End>\"</End></BLOCK>"
                    "<BLOCK><Start>/*</Start><End>*/</End><WholeText>true</WholeText></BLOCK>"
                    "<BLOCK><Start>[[</Start><End>]]</End><WholeText>true</WholeText></BLOCK>"   // second whole-text
                    "<BLOCK><Start>{{</Start><End></End><WholeText>true</WholeText></BLOCK>"      // whole text, no end
                    "<BLOCK><Start>12345</Start><End>x</End></BLOCK>"                             // start too long
                    "<BLOCK><Start>'</Start><End>'</End></BLOCK>"
                    "<BLOCK><End>x</End></BLOCK>"                                                 // no Start: stops
                    "<BLOCK><Start>#</Start></BLOCK>"
                    "</BLOCKS></COLOR_DATA>");
    EXPECT_EQ(BlockStarts(s), (std::vector<std::string>{"/*", "'", "\""}));  // newest first among equals

    EXPECT_EQ(s.AddBlock("", "", false, 0, 0) != nullptr, true);  // allowed, never matches
    s.RemoveBlock(s.m_lstBlocks.begin());
    EXPECT_EQ(s.m_lstBlocks.size(), 3u);
    s.RemoveAllBlocks();
    EXPECT_TRUE(s.m_lstBlocks.empty());

    // Many lengths in a mixed order, removals between the additions, and a copy:
    // longest first, the newest first among equals, one whole-text block.
    CLanguageSettings mixed;
    unsigned added = 0;
    size_t kept = 0;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 60; ++i, ++added)
            kept += mixed.AddBlock(std::string(size_t(i * 7 % 5), 'x'), "e", i % 11 == 3, added, 0) != nullptr;
        mixed.RemoveBlock(std::next(mixed.m_lstBlocks.begin(), long(mixed.m_lstBlocks.size() / 2)));
        CLanguageSettings copy = mixed;
        copy.AddBlock("yy", "", false, ++added, 0);
        mixed = copy;
    }
    ASSERT_EQ(mixed.m_lstBlocks.size(), kept);  // one removed and one added per round
    EXPECT_EQ(std::count_if(mixed.m_lstBlocks.begin(), mixed.m_lstBlocks.end(),
                            [](const ColorBlock& b) { return b.bWholeText; }),
              1);
    for (auto b = mixed.m_lstBlocks.begin(); std::next(b) != mixed.m_lstBlocks.end(); ++b) {
        const ColorBlock& next = *std::next(b);
        ASSERT_GE(b->strStart.size(), next.strStart.size());
        if (b->strStart.size() == next.strStart.size()) {
            ASSERT_GT(b->crText, next.crText) << "newest first among equal lengths";
        }
    }
}

TEST(LanguageSettings, HyperlinkSection)
{
    struct Links : CLanguageSettings {
        int resets = 0;
        void OnUrlPrefixesReset() override { ++resets; }
    } s;
    s.m_crSelBack = 0x111111;
    s.ParseSettings("<HYPERLINKS><EnableHyperlinkSupport>True</EnableHyperlinkSupport>"
                    "<HighlightWithColor>no</HighlightWithColor>"
                    "<URLPrefixes><URLPrefix> https:// </URLPrefix><URLPrefix>file:</URLPrefix></URLPrefixes></HYPERLINKS>");
    EXPECT_TRUE(s.m_bHyperlinks);
    EXPECT_FALSE(s.m_bHighlightLinks);
    EXPECT_EQ(s.m_crLink, 0x111111u);  // no Color: the selection background
    EXPECT_EQ(s.m_lstUrlPrefixes, (std::vector<std::string>{"https://", "file:"}));
    EXPECT_EQ(s.resets, 1);

    s.ParseSettings("<HYPERLINKS><Color>\"red\"</Color></HYPERLINKS>");
    EXPECT_TRUE(s.m_bHyperlinks);       // absent: unchanged
    EXPECT_TRUE(s.m_bHighlightLinks);   // reset to on whenever the section is read
    EXPECT_EQ(s.m_crLink, 0x0000FFu);
    EXPECT_EQ(s.m_lstUrlPrefixes.size(), 2u);
    EXPECT_EQ(s.resets, 1);
}

TEST(LanguageSettings, FailingOutlineStepStopsTheParse)
{
    struct Refusing : CLanguageSettings {
        bool ParseOutlineSettings(const std::string&) override { return false; }
    } s;
    EXPECT_FALSE(s.ParseSettings("<OUTLINE_DATA></OUTLINE_DATA><HYPERLINKS><EnableHyperlinkSupport>true"
                                 "</EnableHyperlinkSupport></HYPERLINKS>"));
    EXPECT_FALSE(s.m_bHyperlinks);
    EXPECT_TRUE(s.ParseSettings("<HYPERLINKS></HYPERLINKS>"));  // no OUTLINE_DATA: the step is skipped
}

TEST(LanguageSettings, UnclosedElementsAreAbsent)
{
    const char* texts[] = {
        "<COLOR_DATA><EditTextColor>FF0000</EditTextColor>",
        "<COLOR_DATA></COLOR_DATA><OPTIONS><WordDelimeters>ab</WordDelimeters>",
        "<COLOR_DATA><KEYWORDS><Color>\"red\"</Color><Keyword>x</Keyword></COLOR_DATA>",
        "<<<<</</<COLOR_DATA></COLOR_DATA</COLOR_DATA",
    };
    for (const char* t : texts) {
        CLanguageSettings s;
        EXPECT_TRUE(s.ParseSettings(t)) << t;
        EXPECT_EQ(s.m_crText, kNoColor) << t;
        EXPECT_EQ(s.m_strWordDelimiters.size(), 29u) << t;
        EXPECT_TRUE(s.m_mapKeywords.empty()) << t;
    }
}

class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = NewTempFolder("langset");
        m_oldDir = fs::current_path();
        fs::current_path(m_dir);
    }
    void TearDown() override
    {
        fs::current_path(m_oldDir);
        fs::remove_all(m_dir);
    }
    std::string m_dir;
    fs::path m_oldDir;
};

TEST_F(SettingsFiles, LinesJoinWithoutBlankAndLoseTheirCarriageReturns)
{
    fs::create_directories("Lua");
    WriteFile("Lua/crlf.xml", "<COLOR_DATA>\r\n<KEYWORDS>\r\n<Color>\"red\"</Color>\r\n<Keyword>pri\r\nnt</Keyword>\r\n"
                              "<Keyword>\r\nlocal\r\n</Keyword>\r\n</KEYWORDS>\r\n</COLOR_DATA>\r\n"
                              "<OPTIONS><SpecialDelimiters>\"a\r\nb\"</SpecialDelimiters></OPTIONS>");
    CLanguageSettings s;
    ASSERT_TRUE(s.LoadSettings("Lua//crlf.xml"));
    EXPECT_EQ(s.m_mapKeywords.count("print"), 1u);
    EXPECT_EQ(s.m_mapKeywords.count("local"), 1u);
    EXPECT_EQ(s.m_mapKeywords.size(), 2u);
    EXPECT_EQ(s.m_strSpecialDelimiters, "ab");
}

TEST_F(SettingsFiles, MissingFileChangesNothing)
{
    CLanguageSettings s;
    s.AddKeyword("kept", 1, 1, true);
    EXPECT_FALSE(s.LoadSettings("Lua//none.xml"));
    EXPECT_FALSE(s.LoadSettings("."));  // a folder
    EXPECT_EQ(s.m_mapKeywords.size(), 1u);
}

TEST_F(SettingsFiles, BareNameIsLookedUpInTheProgramFolder)
{
    const std::string name = "qm_langset_" + std::to_string(getpid()) + ".xml";
    const std::string inProgramFolder = platform::JoinPath(platform::ExecutableFolder(), name);
    WriteFile(inProgramFolder, "<COLOR_DATA><EditBackColor>\"white\"</EditBackColor></COLOR_DATA>");
    WriteFile(name, "<COLOR_DATA><EditBackColor>\"black\"</EditBackColor></COLOR_DATA>");  // working folder: not read
    CLanguageSettings s;
    const bool loaded = s.LoadSettings(name);
    fs::remove(inProgramFolder);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(s.m_crBack, 0xFFFFFFu);
}

TEST_F(SettingsFiles, ShippedLuaSettings)
{
    fs::create_directories("Lua");
    fs::copy_file(std::string(QM_DATA_DIR) + "/Lua/luaedit.xml", "Lua/luaedit.xml");
    TextOutline outline;
    outline.CreateOutlineParser();
    CLanguageSettings s;
    s.SetOutlining(&outline);
    ASSERT_TRUE(s.LoadSettings("Lua//luaedit.xml"));

    EXPECT_EQ(s.m_crText, 0x000000u);
    EXPECT_EQ(s.m_crBack, 0xFFFFFFu);
    EXPECT_EQ(s.m_strWordDelimiters.size(), 29u);  // defaults kept
    EXPECT_EQ(s.m_mapKeywords.size(), 22u + 25u + 9u + 10u);
    for (const char* word : {"and", "while", "goto", "print", "string", "Load3DS", "gBoundBox", "OnObj"})
        EXPECT_EQ(s.m_mapKeywords.count(word), 1u) << word;
    EXPECT_EQ(s.m_mapKeywords["function"].crText, 0xFF0000u);
    EXPECT_TRUE(s.m_mapKeywords["function"].bCaseSensitive);
    EXPECT_EQ(BlockStarts(s), (std::vector<std::string>{"--[[", "--", "'", "\""}));
    EXPECT_TRUE(s.m_lstBlocks.front().bWholeText);
    EXPECT_EQ(s.m_lstBlocks.front().strEnd, "]]");

    const COutlineParser& parser = *outline.m_pOutlineParser;
    EXPECT_EQ(parser.m_arrBlocks.size(), 6u);
    EXPECT_EQ(parser.m_lstEscapes, (std::vector<std::string>{"\\\\", "\\\"", "\\'"}));
    EXPECT_EQ(parser.m_arrBlocks[1].strEnd, "\n");
    EXPECT_TRUE(parser.m_arrBlocks[5].bNested);
    EXPECT_FALSE(s.m_bHyperlinks);
}

// Each fault of a settings file gives one log line naming the file; a file too
// large or binary is not read at all (the colours stay as they were).
TEST_F(SettingsFiles, FaultyFilesAreNamedOnceInTheLog)
{
    const auto Shipped = [] {
        std::ifstream f(std::string(QM_DATA_DIR) + "/Lua/luaedit.xml", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    };
    const std::string block = "<BLOCK><Start>--</Start><Color>008000</Color></BLOCK>";
    const std::string big = "<COLOR_DATA><KEYWORDS><Color>\"red\"</Color>" +
                            std::string(5u << 20, ' ') + "<Keyword>x</Keyword></KEYWORDS></COLOR_DATA>";
    struct Case {
        const char* name;
        std::string bytes;
        bool read;
        const char* says; // in the one line; null: no line
    } cases[] = {
        {"shipped", Shipped(), true, nullptr},
        {"empty", "", true, "empty"},
        {"blank", " \r\n\t\n", true, "empty"},
        {"binary", std::string("\x7f" "ELF\x02\x01\0\0<COLOR_DATA></COLOR_DATA>", 33), false, "binary"},
        {"no end tag", "<COLOR_DATA><EditTextColor>FF0000</EditTextColor>", true, "damaged"},
        {"no section", "just some words", true, "damaged"},
        {"block without start", "<COLOR_DATA><BLOCKS><BLOCK><End>x</End></BLOCK>" + block + "</BLOCKS></COLOR_DATA>",
         true, "damaged"},
        {"long block strings",
         "<COLOR_DATA><BLOCKS><BLOCK><Start>(*****</Start><End>*)</End></BLOCK>" + block +
             "<BLOCK><Start>[</Start><End>]]]]]</End></BLOCK></BLOCKS></COLOR_DATA>",
         true, "2 colour blocks"},
        {"too large", big, false, "too large"},
    };
    for (const Case& c : cases) {
        const std::string path = m_dir + "/" + c.name + ".xml";
        WriteFile(path, c.bytes);
        CLanguageSettings s;
        s.AddKeyword("kept", 1, 1, true);
        LogCapture log;
        EXPECT_EQ(s.LoadSettings(path), c.read) << c.name;
        const auto lines = log.Lines();
        if (!c.says) {
            EXPECT_TRUE(lines.empty()) << c.name << ": " << (lines.empty() ? "" : lines[0]);
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << c.name;
        EXPECT_NE(lines[0].find(path), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(c.says), std::string::npos) << lines[0];
        EXPECT_EQ(s.m_mapKeywords.count("kept"), c.read ? 0u : 1u) << c.name;
    }
}
