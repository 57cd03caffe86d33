#include "app/scene/SceneTrackSets.h"
#include "foundation/core/FileHelpers.h"

#include <algorithm>

int CSceneTrackSets::Load()
{
    StringList names;
    FindFiles("User", names);
    m_count = std::min(int(names.size()), kSlots);
    m_hostsLoaded = 0;
    // each set is weighed against the sets loaded before it, the edited one first
    m_meshBudget.Clear();
    for (int i = 0; i < std::max(m_count, 1); ++i) {
        m_sets[size_t(i)].SetMeshBudget(&m_meshBudget);
        m_meshBudget.Join(&m_sets[size_t(i)]);
        if (i < m_count)
            m_hostsLoaded += m_sets[size_t(i)].LoadTrack(names[size_t(i)]);
    }
    if (m_count == 0)
        m_sets[0].m_Name = kDefaultName;
    return m_count;
}

int CSceneTrackSets::GetRideCount() const
{
    if (m_count > 0)
        return m_count;
    return m_sets[0].GetHostCount() > 0 ? 1 : 0;
}

int CSceneTrackSets::Save()
{
    int saved = 0;
    for (int i = 0; i < m_count; ++i)
        saved += m_sets[size_t(i)].SaveTrack() ? 1 : 0;
    CSplineDot& first = m_sets[0];
    if (m_count == 0 && (first.IsModified() || first.GetHostCount() > 0))
        saved += first.SaveTrack() ? 1 : 0;
    return saved;
}

int CSceneTrackSets::Render(CGLcamera* view, CGLfont* font, bool editMode)
{
    int drawn = 0;
    for (int i = 0; i < GetDrawCount(); ++i)
        drawn += m_sets[size_t(i)].Render(view, font, i == 0 && editMode);
    return drawn;
}
