#include "app/shell/PlatformChoice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(PlatformChoice, XcbUnlessTheUserChoseAPlatform)
{
    struct Case {
        std::vector<const char*> args;
        const char* environment;
        bool xcb;
    } cases[] = {
        {{"quillmont"}, nullptr, true},
        {{"quillmont"}, "", true},                              // set but empty: Qt ignores it too
        {{"quillmont"}, "wayland", false},
        {{"quillmont"}, "xcb", false},
        {{"quillmont", "-platform", "wayland"}, nullptr, false},
        {{"quillmont", "--platform", "offscreen"}, nullptr, false},
        {{"quillmont", "-platform"}, nullptr, true},            // no name follows: Qt ignores it
        {{"quillmont", "-platformtheme", "gtk3"}, nullptr, true},
        {{"quillmont", "x", "platform"}, nullptr, true},
    };
    for (const Case& c : cases) {
        const char* chosen = shell::ChooseQtPlatform(int(c.args.size()), c.args.data(), c.environment);
        std::string all;
        for (const char* a : c.args)
            all += std::string(a) + " ";
        if (c.xcb)
            EXPECT_STREQ(chosen, "xcb") << all << (c.environment ? c.environment : "(unset)");
        else
            EXPECT_EQ(chosen, nullptr) << all << (c.environment ? c.environment : "(unset)");
    }
}
