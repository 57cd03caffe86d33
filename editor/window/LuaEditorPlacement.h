#pragma once
// The script editor's remembered placement: one 44-byte record per script in
// the profile section "Ostravellum", entry "LuaEditSz-" + the script's name.
#include <string>

class QWidget;

std::string LuaEditorPlacementEntry(const std::string& name);
// Applies the stored placement when kLuaEditorPlacementRule accepts it; true when applied.
bool RestoreLuaEditorPlacement(QWidget& window, const std::string& name);
// Writes the window's placement unless it is minimised; true when written.
bool SaveLuaEditorPlacement(const QWidget& window, const std::string& name);
