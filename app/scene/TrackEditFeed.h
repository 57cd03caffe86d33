#pragma once
#include "foundation/math/Vec3.h"

#include <functional>
#include <string>

class CSplineDot;

// One reading of the input controller, as the editing feed needs it.
struct TrackEditInput {
    int x = 0, y = 0; // cursor in window pixels
    int button = 0;   // button event; 1 is the left button down
    int modifier = 0; // 8 Backspace or Ctrl, 4 Shift, 46 Delete
    bool backspace = false; // modifier 8 comes from a real Backspace
    int key = 0;
};

// What the frame knows at a 10 ms step.
struct TrackEditState {
    bool editMode = false;
    bool captured = false;
    bool radarTookInput = false;
};

// Turns the user's input into editing calls on the edited track set, at most
// every 10 ms. Remembers the last cursor, key code and button state, so each
// change is sent once; the one-shot key running out does not send the modifier
// under it again.
class CTrackEditFeed {
public:
    // The world point under a window point (picked on the plane z = 75 and lifted
    // by the ground); false when there is none.
    using Picker = std::function<bool(int x, int y, CVec3& point)>;
    // The panel's item text for (page, name); "" when there is none.
    using Lookup = std::function<std::string(const char* page, const char* name)>;

    static constexpr double kNearest = 100.0;
    static constexpr double kFarthest = 250000.0;

    // One 10 ms step. The panel's "Clear" button is looked up (and so consumed)
    // every step, and clears the set only in edit mode when it has hosts. The set
    // is fed only in edit mode, without capture, when the radar did not take the input.
    void Step(CSplineDot& set, const TrackEditInput& in, const TrackEditState& state, const CVec3& eye,
              const Picker& pick, const Lookup& lookup);
    // The feeding part of Step: keys, cursor moves and button edges, in that order.
    void Feed(CSplineDot& set, const TrackEditInput& in, const CVec3& eye, const Picker& pick);

    // Modifier OR key, where modifier 8 counts only for a real Backspace (Ctrl is
    // the radar's, and would remove the picked host).
    static int KeyCode(const TrackEditInput& in);

private:
    // A new pointer position, picked on the ground, goes to the set (with the
    // button as it was before this step).
    void MoveCursor(CSplineDot& set, const TrackEditInput& in, const CVec3& eye, const Picker& pick);

    int m_lastX = 0, m_lastY = 0;
    int m_lastKey = 0;
    int m_lastModifier = 0;       // KeyCode without the key
    bool m_modifierSent = false;  // m_lastModifier went out on its own
    bool m_lastDown = false;
};
