#pragma once
// Which stored placement an editor window takes. Apart from the window's
// headers: the placement's rectangle type and the painter's share a name.
#include "platform/WindowPlacement.h"

// exactly 44 bytes, its left or top edge inside the desktop's extent, and
// overlapping the desktop
inline constexpr platform::PlacementRule kLuaEditorPlacementRule{platform::WindowPlacement::kBytes, true, true,
                                                                 true};
