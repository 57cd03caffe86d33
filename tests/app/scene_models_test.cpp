#include "app/scene/SceneModels.h"
#include "engine/model_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Models read without GL, from one small 3DS file.
class SceneModelsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fixture::Write(m_file, {fixture::Mat("Paint")}, {fixture::Strip("Body", 12, 8)}, {}));
        models.SetLoader([](CGLmeshObj& model, const std::string& file, float scale, const CVec3& position, int id,
                            bool collision, bool bitmap) {
            return model.LoadRecords(file, scale, position, id, collision, bitmap);
        });
    }
    int Load(bool collision = true) { return models.Load(m_file, CVec3(0, 0, 0), 1.0f, false, collision); }
    std::vector<int> Ids()
    {
        std::vector<int> ids;
        for (int i = 0; i < models.GetCount(); ++i)
            ids.push_back(models.Get(i).GetId());
        return ids;
    }

    fixture::TempDir m_dir;
    std::string m_file = m_dir.File("box.3ds");
    CSceneModels models;
};

TEST_F(SceneModelsTest, LoadReturnsTheSizeAndIdsFollowTheListAndRestartAfterClear)
{
    const int size = Load();
    ASSERT_GT(size, 0);
    EXPECT_EQ(size, int(models.Get(0).GetSize()));
    EXPECT_EQ(models.Load(m_dir.File("missing.3ds"), CVec3(), 1.0f, false, false), 0);
    EXPECT_EQ(models.GetCount(), 1); // nothing appended for a failed load
    for (int i = 0; i < 5; ++i)
        Load();
    EXPECT_EQ(Ids(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(models.GetMeshesLoaded(), 6);

    models.Clear();
    EXPECT_EQ(models.GetCount(), 0);
    EXPECT_EQ(models.GetMeshesLoaded(), 0);
    EXPECT_EQ(models.Find(4), nullptr);
    for (int i = 0; i < 5; ++i)
        Load();
    ASSERT_NE(models.Find(4), nullptr);
    EXPECT_EQ(models.Find(4), &models.Get(4)); // the fifth loaded since the clear
}

TEST_F(SceneModelsTest, ReportsMayClearOrLoadModelsDuringTheWalk)
{
    struct Case {
        const char* name;
        int clearAt;            // the report of this model clears (-1 none)
        int loadsPerReport;     // each report loads this many
        int reloadAfterClear;   // models loaded right after the clear
        std::vector<int> reported, drawn, idsAfter;
    } cases[] = {
        {"clear in the second report", 1, 0, 0, {0, 1}, {0}, {}},
        {"clear then load five", 0, 0, 5, {0}, {}, {0, 1, 2, 3, 4}},
        {"a load in every report", -1, 1, 0, {0, 1, 2}, {0, 1, 2}, {0, 1, 2, 3, 4, 5}},
        {"load then clear", 2, 1, 1, {0, 1, 2}, {0, 1}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        models.Clear();
        for (int i = 0; i < 3; ++i)
            Load();
        std::vector<int> reported, drawn;
        models.Walk(
            [&](CGLmeshObj& model) {
                reported.push_back(model.GetId());
                for (int k = 0; k < c.loadsPerReport; ++k)
                    Load();
                if (model.GetId() == c.clearAt) {
                    models.Clear();
                    for (int k = 0; k < c.reloadAfterClear; ++k)
                        Load();
                }
            },
            [&](CGLmeshObj& model) { drawn.push_back(model.GetId()); });
        EXPECT_EQ(reported, c.reported);
        EXPECT_EQ(drawn, c.drawn);
        EXPECT_EQ(Ids(), c.idsAfter);
    }
}

TEST_F(SceneModelsTest, OnlyFlaggedModelsAreReportedButAllAreDrawn)
{
    Load(true);
    Load(false);
    Load(true);
    std::vector<int> reported, drawn;
    models.Walk([&](CGLmeshObj& m) { reported.push_back(m.GetId()); },
                [&](CGLmeshObj& m) { drawn.push_back(m.GetId()); });
    EXPECT_EQ(reported, (std::vector<int>{0, 2}));
    EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));
}

} // namespace
