#pragma once
#include <cstdint>
#include <vector>

namespace menu_detail {
// Reads a resource through the installed loader, else from the program's resources.
bool LoadResource(const char* type, unsigned id, std::vector<uint8_t>& bytes);
} // namespace menu_detail
