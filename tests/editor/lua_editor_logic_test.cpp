// The script editor window's logic that needs no display: its accelerator
// table and title.
#include "editor/window/AccelTable.h"
#include "editor/window/LuaEditor.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

using platform::kModAltKey;
using platform::kModCtrlKey;
using platform::kModNone;
using platform::kModShiftKey;

TEST(LuaEditorAccelerators, Table128MapsEveryKeyToItsCommand)
{
    CAccelTable t;
    ASSERT_TRUE(t.LoadResource(CLuaEditor::kAccelId));
    EXPECT_EQ(t.Entries().size(), 17u);
    struct Case {
        int vk;
        unsigned mods;
        unsigned command;
    };
    const Case cases[] = {
        {120, kModNone, 40013},          {116, kModNone, 40012},          {117, kModNone, 40015},
        {'C', kModCtrlKey, 57634},       {45, kModCtrlKey, 57634},        {'X', kModCtrlKey, 57635},
        {46, kModShiftKey, 57635},       {'V', kModCtrlKey, 57637},       {45, kModShiftKey, 57637},
        {'Z', kModCtrlKey, 57643},       {8, kModAltKey, 57643},          {'Y', kModCtrlKey, 57644},
        {'F', kModCtrlKey, 57636},       {'H', kModCtrlKey, 57641},       {114, kModNone, 32778},
        {114, kModShiftKey, 32779},      {'A', kModCtrlKey, 57642},
        // modifiers must match exactly
        {'C', kModNone, 0},              {'C', kModCtrlKey | kModShiftKey, 0}, {120, kModCtrlKey, 0},
        {45, kModNone, 0},               {8, kModNone, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(t.Translate(c.vk, c.mods), c.command) << "vk " << c.vk << " mods " << c.mods;
}

TEST(LuaEditorAccelerators, MalformedTablesAreRefused)
{
    const uint8_t one[8] = {0x81, 0, 120, 0, 0x4D, 0x9C, 0, 0};
    CAccelTable t;
    EXPECT_TRUE(t.Load(one, 8));
    EXPECT_EQ(t.Translate(120, 0), 40013u);
    EXPECT_FALSE(t.Load(one, 7));  // not whole entries
    EXPECT_FALSE(t.IsLoaded());
    const uint8_t unterminated[8] = {0x01, 0, 120, 0, 0x4D, 0x9C, 0, 0};
    EXPECT_FALSE(t.Load(unterminated, 8));
    uint8_t trailing[16] = {0x81, 0, 120, 0, 0x4D, 0x9C, 0, 0, 0x01, 0, 116, 0, 0x4C, 0x9C, 0, 0};
    EXPECT_FALSE(t.Load(trailing, 16));
    EXPECT_FALSE(t.Load(nullptr, 0));
    EXPECT_EQ(t.Translate(120, 0), 0u);
}

TEST(LuaEditorTitle, PathInBracketsAndModifiedMark)
{
    EXPECT_EQ(LuaEditorTitle("Lua/Tracks.lua", true), "LuaEdit [Lua/Tracks.lua]*");
    EXPECT_EQ(LuaEditorTitle("Lua/Tracks.lua", false), "LuaEdit [Lua/Tracks.lua] ");
    EXPECT_EQ(LuaEditorTitle("", false), "LuaEdit [] ");
}

