// The program's own scene scripts (data/Lua) run against a fake scene.
#include "app/script/LuaScript.h"
#include "app/script/SceneScripts.h"
#include "foundation/core/InputState.h"
#include "foundation/core/Versions.h"
#include "log_capture.h"
#include "platform/Paths.h"
#include "platform/Speech.h"
#include "script_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

namespace {

class Spoken final : public platform::SpeechBackend {
public:
    void Speak(const std::string& text) override
    {
        std::lock_guard lock(mutex);
        texts.push_back(text);
    }
    std::mutex mutex;
    std::vector<std::string> texts;
};

// Forwards to a recorder that outlives the speech worker's use of it.
class Forward final : public platform::SpeechBackend {
public:
    explicit Forward(Spoken* to) : m_to(to) {}
    void Speak(const std::string& text) override { m_to->Speak(text); }

private:
    Spoken* m_to;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ShippedScripts, LoadTheModelsRunTheirEventsAndReloadWithoutDuplicates)
{
    scripttest::WorkDir dir;
    for (const char* name : {"Tracks.lua", "Trains.lua", "Options.lua"})
        scripttest::WriteScript(std::string("Lua/") + name, ReadFile(std::string(QM_DATA_DIR) + "/Lua/" + name));
    static Spoken spoken;
    CVersions::SetSpeechBackend(std::make_unique<Forward>(&spoken));
    LogCapture log;
    scripttest::FakeScene scene;
    CLuaScript scripts[kSceneScriptCount];
    ASSERT_TRUE(HostSceneScripts(scripts, &scene));
    for (const CLuaScript& s : scripts)
        EXPECT_TRUE(s.HasRun()) << s.GetPath() << ": " << s.GetLastError();
    EXPECT_EQ(g_InputState.GetValue("gSceneSz"), 1024);
    EXPECT_EQ(g_InputState.GetValue("gBoundBox"), 0);
    EXPECT_TRUE(log.Contains("Tracks.lua: hello"));
    EXPECT_TRUE(log.Contains("Trains.lua: 6 models loaded"));
    CVersions::DrainSpeech();
    {
        std::lock_guard lock(spoken.mutex);
        EXPECT_EQ(spoken.texts, std::vector<std::string>{"Welcome to the railway"});
    }

    ASSERT_EQ(scene.models.size(), 6u);
    EXPECT_NE(scene.models[4].file.find("Locomotive"), std::string::npos);
    for (const auto& m : scene.models)  // the models the build generates
        EXPECT_TRUE(platform::FileExists(std::string(QM_DATA_DIR) + "/" + platform::NormalizeSeparators(m.file)))
            << m.file;

    // frames as the scene raises them: OnObj for the flagged models, then OnImage
    const CVec3 treeRot = scene.models[2].rot;
    for (int frame = 0; frame < 60; ++frame) {
        for (size_t i = 0; i < scene.models.size(); ++i)
            if (scene.models[i].subtils) {
                EXPECT_TRUE(scripts[1].OnObj(scene.models[i].id, scene.models[i].pos, scene.models[i].rot));
            }
        EXPECT_TRUE(scripts[0].OnImage(0, 0, 0));
        EXPECT_TRUE(scripts[1].OnImage(0, 0, 1));
        scripts[2].OnImage(0, 0, 2);
    }
    for (const CLuaScript& s : scripts)
        EXPECT_TRUE(s.HasRun()) << s.GetPath() << ": " << s.GetLastError();
    EXPECT_NE(scene.models[2].rot.x, treeRot.x);  // the big tree sways

    // saving Trains.lua runs it again: the models are cleared first, not doubled
    scripttest::WriteScript("Lua/Trains.lua", ReadFile("Lua/Trains.lua"));
    PollScripts(scripts, kSceneScriptCount);
    EXPECT_TRUE(scripts[1].HasRun());
    EXPECT_EQ(scene.clears, 2);
    EXPECT_EQ(scene.models.size(), 6u);
    EXPECT_NE(scene.models[4].file.find("Locomotive"), std::string::npos);
    CloseSceneScripts(scripts, kSceneScriptCount);
    CVersions::DrainSpeech();
}

} // namespace
