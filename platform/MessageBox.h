#pragma once
#include <string>

namespace platform {

// A modal message box with one OK button. On the GUI thread it is shown at once;
// from any other thread it is posted to the GUI thread and the call returns.
void ShowMessageBox(const std::string& text, const std::string& caption = "Quillmont");

} // namespace platform
