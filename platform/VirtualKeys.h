#pragma once

namespace platform {

// Windows virtual-key codes for the keys the program and its editors handle.
namespace vk {
enum : int {
    kBack = 8, kTab = 9, kReturn = 13, kShift = 16, kControl = 17, kMenu = 18, kPause = 19,
    kCapital = 20, kEscape = 27, kSpace = 32, kPrior = 33, kNext = 34, kEnd = 35, kHome = 36,
    kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kSnapshot = 44, kInsert = 45, kDelete = 46,
    k0 = 48, kA = 65, kLWin = 91, kApps = 93, kNumpad0 = 96, kMultiply = 106, kAdd = 107,
    kSubtract = 109, kDecimal = 110, kDivide = 111, kF1 = 112, kF24 = 135, kNumLock = 144,
    kScroll = 145, kOemSemicolon = 186, kOemPlus = 187, kOemComma = 188, kOemMinus = 189,
    kOemPeriod = 190, kOemSlash = 191, kOemTilde = 192, kOemOpenBracket = 219,
    kOemBackslash = 220, kOemCloseBracket = 221, kOemQuote = 222,
};
} // namespace vk

// Modifier keys held with a key, as bits.
enum KeyModifier : unsigned { kModNone = 0, kModShiftKey = 1, kModCtrlKey = 2, kModAltKey = 4 };

// The virtual-key code of a Qt key (Qt::Key value); a key on the numeric keypad
// (keypad set) gives the numpad code. 0 for keys without a code.
int VirtualKeyFromQt(int qtKey, bool keypad = false);
// KeyModifier bits of Qt::KeyboardModifiers given as an int.
unsigned ModifiersFromQt(unsigned qtModifiers);

} // namespace platform
