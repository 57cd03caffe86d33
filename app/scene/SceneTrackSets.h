#pragma once
#include "tracks/SplineDot.h"

#include <array>

class CGLcamera;
class CGLfont;

// The scene's 50 track-set slots. The first slots hold the sets found under
// "User" in name order; slot 0 is the set the user edits. With no set under
// "User", slot 0 is the set "Main": drawn and edited, ridden once it has hosts,
// saved once it was edited or holds hosts, so a first stroke is never lost.
// The meshes of all the sets share one budget, slot 0 served first.
class CSceneTrackSets {
public:
    static constexpr int kSlots = 50;
    static constexpr const char* kDefaultName = "Main";

    // Loads every set under "User" (at most kSlots); returns how many were found.
    int Load();
    // Saves the loaded sets (and slot 0 when it is the default set worth keeping);
    // returns how many were written.
    int Save();
    // Draws the sets to draw; slot 0 with the edit flag. Returns the hosts drawn.
    int Render(CGLcamera* view, CGLfont* font, bool editMode);

    // Sets found under "User".
    int GetCount() const { return m_count; }
    // Sets the follower and the track camera ride.
    int GetRideCount() const;
    // Sets drawn: the loaded ones, and slot 0 always.
    int GetDrawCount() const { return m_count > 0 ? m_count : 1; }
    // Sum of the hosts the loaded sets held when read.
    int GetHostsLoaded() const { return m_hostsLoaded; }

    CSplineDot& GetSet(int slot) { return m_sets[size_t(slot)]; }
    CSplineDot& GetEdited() { return m_sets[0]; }

private:
    CTrackMeshBudget m_meshBudget{CSplineDot::kMeshBudgetBytes};
    std::array<CSplineDot, kSlots> m_sets;
    int m_count = 0;
    int m_hostsLoaded = 0;
};
