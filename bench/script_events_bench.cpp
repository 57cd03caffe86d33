// Per-frame cost of the script events: "OnObj" in Trains.lua for each flagged
// model, then "OnImage" in all three scripts, each block under the Lua lock, with
// the program's own scripts against a scene that only records the calls. The
// frame budget at 60 frames per second is 16.7 ms.
#include <benchmark/benchmark.h>

#include "app/script/LuaLock.h"
#include "app/script/LuaScript.h"
#include "app/script/SceneScripts.h"
#include "app/script/ScriptScene.h"
#include "foundation/core/Versions.h"
#include "platform/Speech.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

class Scene final : public IScriptScene {
public:
    struct Model {
        int id;
        bool flagged;
        CVec3 pos, rot;
    };
    std::vector<Model> models;
    int Load3DS(const std::string&, const CVec3& pos, float, bool, bool subtils) override
    {
        models.push_back({int(models.size()), subtils, pos, CVec3()});
        return 100;
    }
    void Clear3DS() override { models.clear(); }
    void SetModelPosRot(int id, const CVec3& pos, const CVec3& rot) override
    {
        for (Model& m : models)
            if (m.id == id) {
                m.pos = pos;
                m.rot = rot;
                return;
            }
    }
};

class Silent final : public platform::SpeechBackend {
public:
    void Speak(const std::string&) override {}
};

void Frame(CLuaScript* scripts, Scene& scene)
{
    for (size_t i = 0; i < scene.models.size(); ++i) {
        const Scene::Model m = scene.models[i];
        if (!m.flagged)
            continue;
        EnterLuaLock();
        scripts[1].OnObj(m.id, m.pos, m.rot);
        LeaveLuaLock();
    }
    EnterLuaLock();
    for (int k = 0; k < kSceneScriptCount; ++k)
        scripts[k].OnImage(0, 0, k);
    LeaveLuaLock();
}

// extra = models loaded with the collision flag on top of the shipped ones
void BM_FrameEvents(benchmark::State& state)
{
    CVersions::SetSpeechBackend(std::make_unique<Silent>());
    char tmpl[] = "/tmp/qm_script_bench_XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const auto old = std::filesystem::current_path();
    std::filesystem::copy(std::string(QM_DATA_DIR) + "/Lua", dir + "/Lua");
    std::filesystem::current_path(dir);
    {
        Scene scene;
        CLuaScript scripts[kSceneScriptCount];
        if (!HostSceneScripts(scripts, &scene) || !scripts[1].HasRun()) {
            state.SkipWithError("the scene scripts did not run");
        } else {
            for (int i = 0; i < state.range(0); ++i)
                scene.Load3DS("extra", CVec3(float(i), 0.0f, 0.0f), 1.0f, false, true);
            int flagged = 0;
            for (const auto& m : scene.models)
                flagged += m.flagged;
            for (auto _ : state)
                Frame(scripts, scene);
            state.counters["flagged_models"] = flagged;
        }
        CloseSceneScripts(scripts, kSceneScriptCount);
    }
    std::filesystem::current_path(old);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FrameEvents)->Arg(0)->Arg(50)->Unit(benchmark::kMicrosecond);

} // namespace
