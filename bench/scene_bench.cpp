// The scene under llvmpipe at 1030 x 725: a full frame (terrain, track sets,
// models, status bar, radar, flare) against the terrain alone from the same
// camera, and start-up (creation to the first drawn frame) with a cold terrain
// cache against a warm one. Compare the medians of repetitions as ratios.
#include <benchmark/benchmark.h>

#include "app/scene/GLscene.h"
#include "foundation/math/Tables.h"
#include "platform/GL.h"
#include "platform/GLWindow.h"
#include "platform/Paths.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kW = 1030, kH = 725;

fs::path DataFolder()
{
    if (const char* env = std::getenv("QM_DATA_DIR"))
        return env;
    for (fs::path p = platform::ExecutableFolder(); !p.empty() && p != p.root_path(); p = p.parent_path())
        if (fs::exists(p / "data" / "Shader" / "TestFs2Reduced.vert"))
            return p / "data";
    return "data";
}

// The application object, made before any surface.
struct GuiApplication {
    GuiApplication()
    {
        static int argc = 1;
        static char name[] = "scene_bench";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance()) {
            QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
            new QGuiApplication(argc, argv); // kept: Qt's exit routines still need it
        }
    }
};

// A GL context with a framebuffer, and a working folder that sees the shipped
// shaders, pictures and models and holds a copy of the sample track sets.
class Environment : GuiApplication {
public:
    Environment()
    {
        InitTrigTables();
        m_surface.setFormat(platform::DefaultGLFormat());
        m_surface.create();
        m_context.setFormat(platform::DefaultGLFormat());
        if (!m_context.create() || !m_context.makeCurrent(&m_surface))
            return;
        QOpenGLFramebufferObjectFormat f;
        f.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
        m_fbo = std::make_unique<QOpenGLFramebufferObject>(kW, kH, f);
        m_fbo->bind();
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);

        char tmpl[] = "/tmp/qm_scene_bench_XXXXXX";
        m_work = mkdtemp(tmpl);
        const fs::path data = DataFolder();
        for (const char* link : {"Shader", "Map", "Models"})
            fs::create_directory_symlink(data / link, m_work / link);
        fs::create_directories(m_work / "User");
        fs::copy(data / "User", m_work / "User", fs::copy_options::recursive);
        m_old = fs::current_path();
        fs::current_path(m_work);
        m_ok = true;
    }
    ~Environment()
    {
        fs::current_path(m_old);
        fs::remove_all(m_work);
        m_fbo.reset();
        m_context.doneCurrent();
    }
    bool Ok() const { return m_ok; }

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
    fs::path m_work, m_old;
    bool m_ok = false;
};

Environment& Env()
{
    static Environment env;
    return env;
}

std::unique_ptr<CGLscene> StartScene()
{
    auto scene = std::make_unique<CGLscene>();
    scene->Resize(kW, kH);
    if (!scene->Create())
        return nullptr;
    scene->SetFrameRate(INT_MAX); // no gate between the benchmark's frames
    return scene;
}

// Arg 0: the terrain alone; arg 1: the whole frame with five models and the
// sample track sets in view.
void BM_SceneFrame(benchmark::State& state)
{
    if (!Env().Ok()) {
        state.SkipWithError("no GL context (run under a display or xvfb-run)");
        return;
    }
    auto scene = StartScene();
    if (!scene) {
        state.SkipWithError("scene not created");
        return;
    }
    for (const char* file : {"Station", "Tree", "BigTree", "GoodsWagon", "Locomotive"})
        scene->Load3DS(std::string("Models\\") + file + ".3ds", CVec3(0, -900, 0), 1.0f, false, false);
    CGLcamera& view = scene->GetView(0);
    view.SetPosition(CVec3(0.0f, -5000.0f, 4000.0f));
    view.SetRotation(CVec3(55.0f, 0.0f, 0.0f));
    const bool full = state.range(0) == 1;
    unsigned now = 0;
    int drawn = 0;
    for (auto _ : state) {
        if (full) {
            now += 11;
            scene->RenderFrame(now);
        } else {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            view.SetProjectionMode();
            view.GetProjection().LoadToGL();
            view.SetModelViewMode();
            view.Update();
            view.UpdateFrustum();
            scene->Render(&view, &drawn);
        }
        glFinish();
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    if (full) {
        state.counters["hosts"] = scene->GetHostsDrawn();
        state.counters["meshes"] = scene->GetMeshesDrawn();
    }
    scene->Free();
}
BENCHMARK(BM_SceneFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// Arg 0: cold (no terrain cache: generated and written); arg 1: warm (read).
void BM_StartToFirstFrame(benchmark::State& state)
{
    if (!Env().Ok()) {
        state.SkipWithError("no GL context (run under a display or xvfb-run)");
        return;
    }
    const bool warm = state.range(0) == 1;
    if (warm && !fs::exists("Terrain")) {
        auto first = StartScene(); // makes the cache
        if (first)
            first->Free();
    }
    for (auto _ : state) {
        if (!warm) {
            state.PauseTiming();
            fs::remove_all("Terrain");
            state.ResumeTiming();
        }
        auto scene = StartScene();
        if (!scene) {
            state.SkipWithError("scene not created");
            break;
        }
        scene->RenderFrame(0);
        glFinish();
        state.PauseTiming();
        state.counters["cache_read"] = scene->WasLoaded() ? 1 : 0;
        scene->Free();
        scene.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToFirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace
