// The track meshes of all the scene's sets share one memory budget: the edited
// set is served first, then the others in load order.
#include "app/scene/SceneTrackSets.h"
#include "log_capture.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

// A set holding one host of `dots` dots, its meshes about 6.5 KB a dot.
void SaveLongSet(const std::string& name, int dots)
{
    CSplineDot set;
    set.m_Name = name;
    TrackHost host;
    for (int i = 0; i < dots; ++i)
        host.dots.emplace_back(150.0f * float(i), 900.0f * std::sin(float(i) * 0.12f), 0.0f);
    set.m_Hosts.push_back(std::move(host));
    ASSERT_TRUE(set.SaveTrack());
}

size_t HeldBytes(CSplineDot& set)
{
    size_t held = 0;
    for (const TrackHost& h : set.m_Hosts)
        held += h.mesh.HeldBytes();
    return held;
}

TEST(SceneTrackSets, MeshesOfAllSetsShareOneBudget)
{
    WorkFolder folder;
    // each fits the budget alone (about 140 MB), the two together do not
    SaveLongSet("Alpha", 22000);
    SaveLongSet("Beta", 22000);
    SaveLongSet("Gamma", 20);

    LogCapture log;
    auto sets = std::make_unique<CSceneTrackSets>();
    ASSERT_EQ(sets->Load(), 3);
    ASSERT_EQ(sets->GetEdited().m_Name, "Alpha");
    const size_t a = HeldBytes(sets->GetSet(0)), b = HeldBytes(sets->GetSet(1)), c = HeldBytes(sets->GetSet(2));
    EXPECT_GT(a, size_t(100) << 20) << "the edited set is served first";
    EXPECT_EQ(b, 0u) << "Beta's host would pass what Alpha left";
    EXPECT_GT(c, 0u) << "Gamma's small host fits in what is left";
    EXPECT_LE(a + b + c, CSplineDot::kMeshBudgetBytes);
    EXPECT_TRUE(log.Contains("CSplineDot::LoadTrack " + CSplineDot::TrackFilePath("Beta") + ": 1 hosts not built"));
    EXPECT_EQ(sets->GetSet(1).m_Hosts.front().dots.size(), 22000u) << "its dots are kept";
}

} // namespace
