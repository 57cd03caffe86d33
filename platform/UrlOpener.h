#pragma once
#include <string>

namespace platform {

// Hands an address (http, ftp, mailto) to the desktop's handler for it; never
// runs it as a command. False when the address is empty or nothing took it.
bool OpenUrl(const std::string& utf8Url);

} // namespace platform
