#pragma once
#include <string>
#include <string_view>

namespace platform {

// The program's byte texts are UTF-8. Widen fails (false, out emptied) on bytes
// that are not well-formed UTF-8; Narrow writes every code point.
bool Widen(std::string_view bytes, std::wstring& out);
std::wstring Widen(std::string_view bytes);  // empty when it fails
std::string Narrow(std::wstring_view text);

} // namespace platform
