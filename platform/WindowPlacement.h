#pragma once
#include "platform/Rect.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class QWindow;
class QWidget;

namespace platform {

// A window's placement as the profile keeps it: a 44-byte record of little-endian
// fields (length, flags, show command, minimised and maximised positions, the
// normal rectangle). The normal rectangle is the window's client area in screen
// coordinates.
struct WindowPlacement {
    static constexpr size_t kBytes = 44;
    enum : uint32_t { kShowNormal = 1, kShowMinimized = 2, kShowMaximized = 3 };

    uint32_t length = kBytes;
    uint32_t flags = 0;
    uint32_t showCmd = kShowNormal;
    int32_t minX = -1, minY = -1, maxX = -1, maxY = -1;
    Rect normal;

    bool operator==(const WindowPlacement&) const = default;
};

std::array<uint8_t, WindowPlacement::kBytes> EncodePlacement(const WindowPlacement& p);
// `base` with the first min(size, 44) bytes of `data` written over its record.
WindowPlacement OverlayPlacement(const WindowPlacement& base, const uint8_t* data, size_t size);

// The desktop: the virtual screen's rectangle and the primary screen's size.
struct DesktopGeometry {
    Rect virtualRect;
    int32_t primaryWidth = 0;
    int32_t primaryHeight = 0;
};

// When a stored record is applied.
struct PlacementRule {
    size_t minBytes;        // shorter records are ignored
    bool exactSize;         // only records of exactly 44 bytes
    bool edgeWithinExtent;  // left edge below the extent's width or top edge below its height
    bool mustIntersect;     // the window overlaps the virtual screen
};
// The main window: records from 36 bytes on (left and top are read), an edge inside
// the extent, and never a window wholly off the desktop.
inline constexpr PlacementRule kMainWindowPlacementRule{36, false, true, true};
// Exactly one whole record that overlaps the desktop.
inline constexpr PlacementRule kWholeRecordPlacementRule{WindowPlacement::kBytes, true, false, true};

// The placement to apply for a stored record over the current one, or nothing when
// the rule refuses it or the normal rectangle is empty, inverted or wider or higher
// than 32 bits hold. The result's show command is 0: the window opens normal.
std::optional<WindowPlacement> AcceptPlacement(const std::vector<uint8_t>& record, const WindowPlacement& current,
                                               const DesktopGeometry& desktop, const PlacementRule& rule);

// The rectangle a window has in its normal state (neither maximised, full screen
// nor minimised), learned from its moves and resizes. A window system may report
// the maximised size before the state that goes with it, so the rectangle before
// the last one is kept too.
class NormalRectMemory {
public:
    // A move, resize or placement; `normal` when the window is in its normal state.
    void Moved(const Rect& now, bool normal);
    // The normal rectangle of the window that is maximised at `maximised`: the last
    // one seen, unless that is the maximised one itself (reported while the state
    // still read normal), then the one before. Nothing when none was seen.
    std::optional<Rect> Normal(const Rect& maximised) const;

private:
    std::optional<Rect> m_last;
    std::optional<Rect> m_before;
};

// Makes a top-level QWindow or QWidget remember its normal rectangle, which
// GetPlacement then records while the window is maximised. Once per window is
// enough; more calls change nothing.
void RememberNormalGeometry(QWindow& window);
void RememberNormalGeometry(QWidget& widget);

// The desktop of the running window system.
DesktopGeometry CurrentDesktop();
// Read and apply a top-level window's placement (only the normal rectangle is
// applied). A maximised window's record has show command 3 and the rectangle it
// had before it was maximised.
WindowPlacement GetPlacement(const QWindow& window);
void SetPlacement(QWindow& window, const WindowPlacement& p);
WindowPlacement GetPlacement(const QWidget& widget);
void SetPlacement(QWidget& widget, const WindowPlacement& p);

} // namespace platform
