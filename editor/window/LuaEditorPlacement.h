#pragma once
// The script editor's remembered placement: one 44-byte record per script in
// the profile section "Ostravellum", entry "LuaEditSz-" + the script's name.
#include "platform/WindowPlacement.h"

#include <string>

class QWidget;

// exactly 44 bytes, its left or top edge inside the desktop's extent, and
// overlapping the desktop
inline constexpr platform::PlacementRule kLuaEditorPlacementRule{platform::WindowPlacement::kBytes, true, true,
                                                                 true};

std::string LuaEditorPlacementEntry(const std::string& name);
// Applies the stored placement when kLuaEditorPlacementRule accepts it; true when
// applied. From then on the window remembers its normal rectangle for the record.
bool RestoreLuaEditorPlacement(QWidget& window, const std::string& name);
// Writes the window's placement unless it is minimised; true when written.
bool SaveLuaEditorPlacement(const QWidget& window, const std::string& name);
