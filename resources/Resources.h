#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace resources {

// The program's built-in resources (menu templates, bitmaps, toolbars), each
// kept as a file resources/<type>/<id>.<ext> and built into the program.
// Type names are upper case ("MENU" for resources/menu/244.bin).
bool Find(const std::string& type, unsigned id, std::vector<uint8_t>& out);

} // namespace resources
