#pragma once
#include <string>

// Extension of the file part of a name ("C:\\a.b\\c.Seq" -> ".Seq"), "" when none.
std::string ExtensionOf(const std::string& name);
// A name that addresses a network camera: the loopback host name, or three dots
// (or three colons) one after the other.
bool IsNetworkName(const std::string& name);
