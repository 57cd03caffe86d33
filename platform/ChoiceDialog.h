#pragma once
#include <string>
#include <vector>

namespace platform {

// A modal list dialog: returns the index of the chosen entry, -1 when cancelled
// or when not called on the GUI thread.
int ChooseFromList(const std::string& title, const std::string& label, const std::vector<std::string>& entries);

// The system's file-open dialog; the chosen file as a file:// URL, "" when cancelled.
std::string ChooseFileUrl(const std::string& title);

} // namespace platform
