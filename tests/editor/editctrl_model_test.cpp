// Text model of the edit control: line and column queries, whole text.
#include "editctrl_fixture.h"

#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace edtest {
namespace {

using Model = EditFixture;

TEST_F(Model, EmptyTextQueries)
{
    SetText("");
    EXPECT_EQ(ctrl.GetLineCount(), 1);
    EXPECT_EQ(ctrl.LineStartOf(0), 0);
    EXPECT_EQ(ctrl.LineEndOf(0), -1);
    EXPECT_EQ(ctrl.GetCaretLineEnd(), 0);
    EXPECT_EQ(ctrl.SkipWhitespace(-1), 0);
    EXPECT_EQ(ctrl.LineFromOffset(0), 0);
    EXPECT_EQ(ctrl.ColumnFromOffset(0), 0);
    EXPECT_EQ(ctrl.CharAt(0), '\0');
    EXPECT_EQ(sink.barMax[1], 0);
}

TEST_F(Model, LineQueriesAtTheEnds)
{
    struct Case
    {
        const char* text;
        int offset, start, end, caretEnd, line;
    } cases[] = {
        {"ab\ncd", 0, 0, 2, 2, 0},
        {"ab\ncd", 2, 0, 2, 2, 0},   // on the "\n"
        {"ab\ncd", 3, 3, 4, 5, 1},   // last line without "\n": end is the last character
        {"ab\ncd", 5, 3, 4, 5, 1},   // at the end of the text
        {"ab\ncd\n", 6, 6, 5, 6, 2}, // the empty line after a final "\n"
        {"\n\n", 1, 1, 1, 1, 1},
    };
    for (const auto& c : cases) {
        SetText(c.text, c.offset);
        SCOPED_TRACE(std::string(c.text) + " @" + std::to_string(c.offset));
        EXPECT_EQ(ctrl.LineStartOf(c.offset), c.start);
        EXPECT_EQ(ctrl.LineEndOf(c.offset), c.end);
        EXPECT_EQ(ctrl.GetCaretLineEnd(), c.caretEnd);
        EXPECT_EQ(ctrl.LineFromOffset(c.offset), c.line);
    }
}

TEST_F(Model, VerticalScrollRangeCountsAnUnterminatedLastLine)
{
    struct Case
    {
        const char* text;
        int max;
    } cases[] = {{"a", 1}, {"a\n", 1}, {"a\nb", 2}, {"a\nb\n", 2}};
    for (const auto& c : cases) {
        SetText(c.text);
        EXPECT_EQ(sink.barMax[1], c.max) << c.text;
    }
}

TEST_F(Model, TabsToColumnsAndBack)
{
    SetText("ab\tc\n\t\tx\n  \t y");
    EXPECT_EQ(ctrl.ColumnFromOffset(2), 2); // the tab starts in column 2
    EXPECT_EQ(ctrl.ColumnFromOffset(3), 4); // and spans 2 and 3
    EXPECT_EQ(ctrl.ColumnFromOffset(7), 8);
    EXPECT_EQ(ctrl.ColumnFromOffset(13), 5);
    struct Case
    {
        int column, offset;
    } cases[] = {{0, 0}, {2, 2}, {3, 2}, {4, 3}, {5, 4}, {99, 4}};
    for (const auto& c : cases)
        EXPECT_EQ(ctrl.OffsetFromColumn(c.column, 1), c.offset) << "column " << c.column;
    EXPECT_EQ(ctrl.CountCharInRange(0, ctrl.GetTextLength(), '\t'), 4);
    EXPECT_EQ(ctrl.CountCharInRange(0, ctrl.GetTextLength(), '\n'), 2);
}

TEST_F(Model, SkipWhitespaceStopsAtTheLineEnd)
{
    SetText("  \t x\n   \nz");
    EXPECT_EQ(ctrl.SkipWhitespace(0), 4);
    EXPECT_EQ(ctrl.SkipWhitespace(6), 9); // a blank line: its "\n"
    EXPECT_EQ(ctrl.SkipWhitespace(99), ctrl.GetTextLength());
}

TEST_F(Model, SetTextStripsCarriageReturnsAndWrapsLongLines)
{
    SetText("a\r\nb\r\n");
    EXPECT_EQ(Text(), "a\nb\n");
    EXPECT_EQ(ctrl.GetLineCount(), 3);
    EXPECT_FALSE(ctrl.CanUndo());

    SetText(std::string(5000, 'x'));
    EXPECT_EQ(ctrl.GetTextLength(), 5002);
    EXPECT_EQ(Text().find('\n'), 2047u);
    EXPECT_EQ(Text().rfind('\n'), 2047u * 2 + 1);
    EXPECT_EQ(ctrl.LineCountMember(), 2);
}

TEST_F(Model, GetWindowTextCopiesWithinTheBuffer)
{
    SetText("hello");
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    EXPECT_EQ(ctrl.GetWindowText(buf, 0), 0);
    EXPECT_EQ(buf[0], '#'); // nothing copied, not even the zero
    EXPECT_EQ(ctrl.GetWindowText(buf, 3), 2);
    EXPECT_STREQ(buf, "he");
    EXPECT_EQ(ctrl.GetWindowText(buf, sizeof buf), 5);
    EXPECT_STREQ(buf, "hello");
}

TEST_F(Model, ByteTextRoundTripsThroughTheCodePage)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(char(b));
    const std::u16string wide = editctrl::BytesToUtf16(all);
    EXPECT_EQ(wide[0x80 - 1], u'\u20AC');
    EXPECT_EQ(wide[0x81 - 1], u'\u0081'); // a hole stays Latin-1
    EXPECT_EQ(editctrl::Utf16ToBytes(wide), all);
    EXPECT_EQ(editctrl::Utf16ToBytes(u"\u4E2D"), "?");
}

TEST_F(Model, FilesRoundTripByteForByte)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("editctrl_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "t.lua").string();
    const std::string bytes = "x = \"\xE9\x80\x81\"\nprint(x)";
    SetText(bytes);
    Type("-");
    ASSERT_TRUE(ctrl.IsModified());
    ASSERT_TRUE(ctrl.SaveFile(path));
    EXPECT_FALSE(ctrl.IsModified());
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    EXPECT_EQ(all.str(), "-x = \"\xE9\x80\x81\"\r\nprint(x)");
    SetText("other");
    ASSERT_TRUE(ctrl.LoadFile(path));
    EXPECT_EQ(Text(), "-" + bytes);
    EXPECT_FALSE(ctrl.LoadFile((dir / "missing.lua").string()));
    EXPECT_EQ(Text(), "-" + bytes);
    EXPECT_FALSE(ctrl.SaveFile((dir / "no" / "such" / "dir.lua").string()));
    fs::remove_all(dir);
}

} // namespace
} // namespace edtest
