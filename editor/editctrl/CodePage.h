#pragma once
// The edit control keeps 8-bit text. Display, keys and the clipboard see it
// through one byte-preserving code page: Windows-1252, with its five unused
// bytes taken as Latin-1, so every byte has exactly one character and back.

#include <string>
#include <string_view>

namespace editctrl {

char16_t ByteToUnicode(unsigned char byte);
// -1 when the character has no byte in the code page
int UnicodeToByte(char32_t ch);

std::u16string BytesToUtf16(std::string_view bytes);
// characters outside the code page become `replacement`
std::string Utf16ToBytes(std::u16string_view text, char replacement = '?');

} // namespace editctrl
