#include "app/scene/TrackEditFeed.h"
#include "foundation/core/InputState.h"
#include "tracks/SplineDot.h"

#include <cmath>

int CTrackEditFeed::KeyCode(const TrackEditInput& in)
{
    int modifier = in.modifier;
    if (modifier == CInputState::kModBackOrCtrl && !in.backspace)
        modifier = 0;
    return modifier | in.key;
}

void CTrackEditFeed::Step(CSplineDot& set, const TrackEditInput& in, const TrackEditState& state, const CVec3& eye,
                          const Picker& pick, const Lookup& lookup)
{
    const bool clear = lookup && lookup("Tracks", "Clear") == "1";
    if (clear && state.editMode && set.GetHostCount() > 0)
        set.ClearAll();
    if (state.radarTookInput || !state.editMode || state.captured)
        return;
    Feed(set, in, eye, pick);
}

void CTrackEditFeed::Feed(CSplineDot& set, const TrackEditInput& in, const CVec3& eye, const Picker& pick)
{
    TrackEditInput alone = in;
    alone.key = 0;
    const int modifier = KeyCode(alone);
    if (modifier != m_lastModifier) {
        m_lastModifier = modifier;
        m_modifierSent = false;
    }
    const int code = KeyCode(in);
    if (code != m_lastKey) {
        m_lastKey = code;
        // the key running out leaves a modifier already sent on its own
        if (code != 0 && (in.key != 0 || !m_modifierSent))
            set.KeyDown(code);
        if (in.key == 0)
            m_modifierSent = true;
    }

    // the pointer first: a press or a release belongs where the pointer is now, even
    // when the move and the button arrive in the same frame
    MoveCursor(set, in, eye, pick);

    const bool down = in.button == CInputState::kButtonLeftDown;
    if (down != m_lastDown) {
        m_lastDown = down;
        if (down)
            set.OnMouseDown(true);
        else
            set.OnMouseUp(false);
    }
}

void CTrackEditFeed::MoveCursor(CSplineDot& set, const TrackEditInput& in, const CVec3& eye, const Picker& pick)
{
    if (in.x == m_lastX && in.y == m_lastY)
        return;
    m_lastX = in.x;
    m_lastY = in.y;
    CVec3 p;
    if (!pick || !pick(in.x, in.y, p) || !std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
        return;
    const double dx = double(p.x) - eye.x, dy = double(p.y) - eye.y, dz = double(p.z) - eye.z;
    const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (distance > kNearest && distance < kFarthest)
        set.OnMouseMove(p, m_lastDown);
}
