#pragma once
#include <string>

// The status prompts of the editor's menu commands. False when the id has none.
bool LoadPromptString(unsigned id, std::string& out);
