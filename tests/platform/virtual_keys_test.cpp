#include "platform/VirtualKeys.h"

#include <Qt>
#include <gtest/gtest.h>

TEST(VirtualKeys, QtKeysMapToWindowsCodes)
{
    struct Case {
        int qt;
        bool keypad;
        int vk;
    };
    const Case cases[] = {
        {Qt::Key_Backspace, false, 8}, {Qt::Key_Return, false, 13}, {Qt::Key_Enter, false, 13},
        {Qt::Key_Shift, false, 16},    {Qt::Key_Control, false, 17}, {Qt::Key_Escape, false, 27},
        {Qt::Key_Space, false, 32},    {Qt::Key_Left, false, 37},    {Qt::Key_Up, false, 38},
        {Qt::Key_Right, false, 39},    {Qt::Key_Down, false, 40},    {Qt::Key_Delete, false, 46},
        {Qt::Key_0, false, 48},        {Qt::Key_9, false, 57},       {Qt::Key_A, false, 65},
        {Qt::Key_O, false, 79},        {Qt::Key_Z, false, 90},       {Qt::Key_F1, false, 112},
        {Qt::Key_F11, false, 122},     {Qt::Key_F24, false, 135},    {Qt::Key_Exclam, false, '1'},
        {Qt::Key_Colon, false, 186},   {Qt::Key_5, true, 101},       {Qt::Key_Plus, true, 107},
        {Qt::Key_Plus, false, 187},    {Qt::Key_Left, true, 37},     {Qt::Key_unknown, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::VirtualKeyFromQt(c.qt, c.keypad), c.vk) << std::hex << c.qt;
}

TEST(VirtualKeys, Modifiers)
{
    EXPECT_EQ(platform::ModifiersFromQt(Qt::NoModifier), platform::kModNone);
    EXPECT_EQ(platform::ModifiersFromQt(Qt::ShiftModifier | Qt::ControlModifier | Qt::KeypadModifier),
              platform::kModShiftKey | platform::kModCtrlKey);
    EXPECT_EQ(platform::ModifiersFromQt(Qt::AltModifier), platform::kModAltKey);
}
