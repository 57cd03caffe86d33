#include "platform/TextCodec.h"

#include <gtest/gtest.h>

TEST(TextCodec, RoundTripsAndRefusesBrokenBytes)
{
    const std::pair<const char*, std::wstring> good[] = {
        {"", L""},
        {"LuaEdit", L"LuaEdit"},
        {"\xc3\xa9t\xc3\xa9", L"\u00e9t\u00e9"},
        {"\xe2\x82\xac", L"\u20ac"},
        {"\xf0\x9f\x98\x80", std::wstring(1, wchar_t(0x1F600))},
    };
    for (const auto& [bytes, wide] : good) {
        std::wstring out;
        EXPECT_TRUE(platform::Widen(bytes, out)) << bytes;
        EXPECT_EQ(out, wide);
        EXPECT_EQ(platform::Narrow(wide), bytes);
    }
    const char* bad[] = {"\xff", "a\xc3", "\xc3(", "\xe2\x82", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80"};
    for (const char* bytes : bad) {
        std::wstring out = L"old";
        EXPECT_FALSE(platform::Widen(bytes, out)) << testing::PrintToString(bytes);
        EXPECT_TRUE(out.empty());
    }
}
