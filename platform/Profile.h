#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The user's profile (window placements, last folders): sections with string and
// binary entries, kept in an INI file under the organisation "QuillmontApp".
namespace profile {

std::string GetString(const std::string& section, const std::string& entry, const std::string& def = "");
bool WriteString(const std::string& section, const std::string& entry, const std::string& value);
bool GetBinary(const std::string& section, const std::string& entry, std::vector<uint8_t>& out);
bool WriteBinary(const std::string& section, const std::string& entry, const void* data, size_t size);
int GetInt(const std::string& section, const std::string& entry, int def);
bool WriteInt(const std::string& section, const std::string& entry, int value);

// Tests point the profile at a file of their own.
void UseFile(const std::string& iniPath);
std::string FilePath();

} // namespace profile
} // namespace platform
