// The text with its lazily shifted line-start index, against a plain recount.
#include "editor/editctrl/EditText.h"

#include <gtest/gtest.h>

#include <random>

namespace {

void ExpectIndexMatches(const CEditText& t)
{
    const std::string& s = t.Str();
    std::vector<int> starts{0};
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\n')
            starts.push_back(int(i + 1));
    ASSERT_EQ(t.LineCount(), int(starts.size()));
    for (int l = 0; l < t.LineCount(); ++l)
        ASSERT_EQ(t.LineStart(l), starts[size_t(l)]) << "line " << l;
    int line = 0;
    for (int o = 0; o <= int(s.size()); ++o) {
        ASSERT_EQ(t.LineOf(o), line) << "offset " << o;
        if (o < int(s.size()) && s[size_t(o)] == '\n')
            ++line;
    }
}

TEST(EditText, RandomEditsKeepTheLineIndex)
{
    std::mt19937 rng(7);
    CEditText t;
    t.Assign("first\nsecond\n\nthird");
    const char* pieces[] = {"x", "\n", "ab\ncd", "\n\n", "tail\n", "q"};
    for (int step = 0; step < 3000; ++step) {
        const int len = t.Length();
        const int at = len ? int(rng() % unsigned(len + 1)) : 0;
        // mostly edits near one place, as typing does, sometimes far away
        if (rng() % 3 != 0 && len > 0)
            t.Erase(at, int(rng() % 4));
        else
            t.Insert(at, pieces[rng() % 6]);
        if (step % 50 == 0)
            ExpectIndexMatches(t);
    }
    ExpectIndexMatches(t);
}

TEST(EditText, TypingInOnePlaceAndEdgeReads)
{
    CEditText t;
    EXPECT_EQ(t.LineCount(), 1);
    EXPECT_EQ(t.At(0), '\0');
    EXPECT_EQ(t.At(-1), '\0');
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += "line\n";
    t.Assign(lines);
    for (int i = 0; i < 100; ++i)
        t.Insert(500 + i, "k");
    t.Insert(600, "\n");
    t.Erase(0, 5);
    ExpectIndexMatches(t);
    EXPECT_EQ(t.CountNewlines(0, t.Length()), 200);
    EXPECT_EQ(t.At(t.Length()), '\0');
}

} // namespace
