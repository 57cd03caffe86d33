#pragma once
#include <string>

// Numbers read from the panel's texts and the scripts' globals, defined for every input.
namespace shell {

// The integer at the start of the text as atol reads it (leading blanks, a sign,
// digits), clamped to the int range; 0 when there is none.
int TextToInt(const std::string& text);
// The number at the start of the text as atof reads it; 0 for none or NaN, infinities
// clamped to the float range.
double TextToDouble(const std::string& text);

} // namespace shell
