#pragma once
#include <string>

class QWidget;

// Open (open true) or save dialog titled title; the title is also the key under
// which the folder of the chosen file is stored in the profile section "Settings".
// The dialog starts in folderAndTitle when it names a folder, else in the folder
// stored last (by default the executable's). On confirmation returns the chosen
// path and sets folderAndTitle to the file's name without extension; on cancel
// returns "" and stores nothing. filter: "Text|pattern;pattern|...|" pairs.
std::string FileDialog(const std::string& title, const std::string& defaultExtension, std::string& folderAndTitle,
                       const std::string& filter, const std::string& defaultName, bool open,
                       QWidget* parent = nullptr);

// Folder browser; the chosen folder is kept and stored as ("Settings", "ExPath").
// Returns the folder picked last (empty when none).
std::string BrowseFolder(const std::string& title);

// "Lua script (*.lua)|*.lua|All (*.*)|*.*||" -> "Lua script (*.lua);;All (*.*)"
std::string ConvertFileFilter(const std::string& filter);
