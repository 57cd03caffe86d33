#include "platform/VirtualKeys.h"

#include <Qt>
#include <utility>

namespace platform {
namespace {

// Keys outside the letter, digit and function-key ranges. Shifted symbols of a US
// keyboard map to the key that carries them.
constexpr std::pair<int, int> kTable[] = {
    {Qt::Key_Backspace, vk::kBack},  {Qt::Key_Tab, vk::kTab},          {Qt::Key_Backtab, vk::kTab},
    {Qt::Key_Return, vk::kReturn},   {Qt::Key_Enter, vk::kReturn},     {Qt::Key_Shift, vk::kShift},
    {Qt::Key_Control, vk::kControl}, {Qt::Key_Alt, vk::kMenu},         {Qt::Key_AltGr, vk::kMenu},
    {Qt::Key_Pause, vk::kPause},     {Qt::Key_CapsLock, vk::kCapital}, {Qt::Key_Escape, vk::kEscape},
    {Qt::Key_Space, vk::kSpace},     {Qt::Key_PageUp, vk::kPrior},     {Qt::Key_PageDown, vk::kNext},
    {Qt::Key_End, vk::kEnd},         {Qt::Key_Home, vk::kHome},        {Qt::Key_Left, vk::kLeft},
    {Qt::Key_Up, vk::kUp},           {Qt::Key_Right, vk::kRight},      {Qt::Key_Down, vk::kDown},
    {Qt::Key_Print, vk::kSnapshot},  {Qt::Key_Insert, vk::kInsert},    {Qt::Key_Delete, vk::kDelete},
    {Qt::Key_Meta, vk::kLWin},       {Qt::Key_Super_L, vk::kLWin},     {Qt::Key_Menu, vk::kApps},
    {Qt::Key_NumLock, vk::kNumLock}, {Qt::Key_ScrollLock, vk::kScroll},
    {Qt::Key_Semicolon, vk::kOemSemicolon}, {Qt::Key_Colon, vk::kOemSemicolon},
    {Qt::Key_Equal, vk::kOemPlus},   {Qt::Key_Plus, vk::kOemPlus},     {Qt::Key_Comma, vk::kOemComma},
    {Qt::Key_Less, vk::kOemComma},   {Qt::Key_Minus, vk::kOemMinus},   {Qt::Key_Underscore, vk::kOemMinus},
    {Qt::Key_Period, vk::kOemPeriod}, {Qt::Key_Greater, vk::kOemPeriod}, {Qt::Key_Slash, vk::kOemSlash},
    {Qt::Key_Question, vk::kOemSlash}, {Qt::Key_QuoteLeft, vk::kOemTilde}, {Qt::Key_AsciiTilde, vk::kOemTilde},
    {Qt::Key_BracketLeft, vk::kOemOpenBracket}, {Qt::Key_BraceLeft, vk::kOemOpenBracket},
    {Qt::Key_Backslash, vk::kOemBackslash}, {Qt::Key_Bar, vk::kOemBackslash},
    {Qt::Key_BracketRight, vk::kOemCloseBracket}, {Qt::Key_BraceRight, vk::kOemCloseBracket},
    {Qt::Key_Apostrophe, vk::kOemQuote}, {Qt::Key_QuoteDbl, vk::kOemQuote},
    {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'}, {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'}, {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'},
    {Qt::Key_Clear, 12}, {Qt::Key_Help, 47}, {Qt::Key_Sleep, 95},
};

int KeypadKey(int qtKey)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return vk::kNumpad0 + (qtKey - Qt::Key_0);
    switch (qtKey) {
    case Qt::Key_Asterisk: return vk::kMultiply;
    case Qt::Key_Plus: return vk::kAdd;
    case Qt::Key_Minus: return vk::kSubtract;
    case Qt::Key_Period:
    case Qt::Key_Comma: return vk::kDecimal;
    case Qt::Key_Slash: return vk::kDivide;
    default: return 0;
    }
}

} // namespace

int VirtualKeyFromQt(int qtKey, bool keypad)
{
    if (keypad)
        if (const int code = KeypadKey(qtKey))
            return code;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return vk::kA + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return vk::k0 + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return vk::kF1 + (qtKey - Qt::Key_F1);
    for (const auto& [qt, code] : kTable)
        if (qt == qtKey)
            return code;
    return 0;
}

unsigned ModifiersFromQt(unsigned qtModifiers)
{
    unsigned bits = kModNone;
    if (qtModifiers & Qt::ShiftModifier)
        bits |= kModShiftKey;
    if (qtModifiers & Qt::ControlModifier)
        bits |= kModCtrlKey;
    if (qtModifiers & Qt::AltModifier)
        bits |= kModAltKey;
    return bits;
}

} // namespace platform
