// Terrain at 1024 x 1024: generation (noise, smoothing, colours, normals on
// worker threads), the cache files written and read back compared with a plain
// read of the same bytes, and the frame rate of the terrain alone at 1030 x 725.
#include <benchmark/benchmark.h>

#include "engine/gl/GLcamera.h"
#include "engine/terrain/GLterrain.h"
#include "foundation/image/ImageFilters.h"
#include "platform/GL.h"
#include "platform/GLWindow.h"
#include "platform/Paths.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kFiles[] = {"Color.ter", "Norm.ter", "FaceNorm.ter", "Vert.ter", "TVert.ter", "Indice.ter", "TerrVar.ter"};

std::string TempFolder()
{
    char tmpl[] = "/tmp/qm_terrain_bench_XXXXXX";
    const char* d = mkdtemp(tmpl);
    return d ? d : "/tmp";
}

// The data folder: $QM_DATA_DIR, else the first "data" folder above the program.
fs::path DataFolder()
{
    if (const char* env = std::getenv("QM_DATA_DIR"))
        return env;
    for (fs::path p = platform::ExecutableFolder(); !p.empty() && p != p.root_path(); p = p.parent_path())
        if (fs::exists(p / "data" / "Shader" / "TestFs2Reduced.vert"))
            return p / "data";
    return "data";
}

void Generate(CGLterrain& t)
{
    t.BuildGrid();
    t.GenerateHeights();
    SmoothHeightGridThreaded(5, t.GetWidth(), t.GetHeight(), t.GetVertices());
    t.ComputeTexCoords();
    t.ComputeColors(t.GetVertices());
    t.ComputeNormals(true);
    t.ComputeFaceNormals();
}

void BM_TerrainGenerate(benchmark::State& state)
{
    const int n = int(state.range(0));
    CGLterrain t;
    t.SetGrid(n, n);
    if (!t.AllocArrays()) {
        state.SkipWithError("out of memory");
        return;
    }
    for (auto _ : state) {
        Generate(t);
        benchmark::DoNotOptimize(t.GetVertices());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(n) * n);
}
BENCHMARK(BM_TerrainGenerate)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();

// One generated 1024 x 1024 terrain with its cache in a temporary folder.
struct CachedTerrain {
    CachedTerrain()
    {
        folder = TempFolder() + "/Terrain";
        terrain.SetCacheFolder(folder);
        terrain.SetGrid(1024, 1024);
        terrain.AllocArrays();
        Generate(terrain);
        terrain.SaveFiles();
        for (const char* f : kFiles)
            bytes += int64_t(fs::file_size(fs::path(folder) / f));
    }
    ~CachedTerrain() { fs::remove_all(fs::path(folder).parent_path()); }
    CGLterrain terrain;
    std::string folder;
    int64_t bytes = 0;
};

CachedTerrain& Cached()
{
    static CachedTerrain cached;
    return cached;
}

void BM_CacheWrite(benchmark::State& state)
{
    auto& c = Cached();
    for (auto _ : state)
        benchmark::DoNotOptimize(c.terrain.SaveFiles());
    state.SetBytesProcessed(state.iterations() * c.bytes);
}
BENCHMARK(BM_CacheWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CacheLoad(benchmark::State& state)
{
    auto& c = Cached();
    bool ok = true;
    for (auto _ : state)
        ok = c.terrain.LoadFiles() && ok;
    if (!ok)
        state.SkipWithError("cache not loaded");
    state.SetBytesProcessed(state.iterations() * c.bytes);
}
BENCHMARK(BM_CacheLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same seven files read whole into buffers of their size, nothing checked.
struct PlainFiles {
    explicit PlainFiles(const std::string& folder) : folder(folder)
    {
        for (const char* f : kFiles)
            buffers.emplace_back(fs::file_size(fs::path(folder) / f), uint8_t(1));
    }
    void Read()
    {
        for (size_t k = 0; k < buffers.size(); ++k) {
            const int fd = ::open((fs::path(folder) / kFiles[k]).c_str(), O_RDONLY);
            size_t got = 0;
            while (got < buffers[k].size()) {
                const ssize_t r = ::read(fd, buffers[k].data() + got, buffers[k].size() - got);
                if (r <= 0)
                    break;
                got += size_t(r);
            }
            ::close(fd);
            benchmark::DoNotOptimize(buffers[k].data());
        }
    }
    std::string folder;
    std::vector<std::vector<uint8_t>> buffers;
};

void BM_PlainRead(benchmark::State& state)
{
    auto& c = Cached();
    PlainFiles plain(c.folder);
    for (auto _ : state)
        plain.Read();
    state.SetBytesProcessed(state.iterations() * c.bytes);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();

// The cache load against the plain read, one after the other in every iteration so
// that both meet the same machine load; "ratio" is load time / plain read time.
void BM_CacheLoadVsPlainRead(benchmark::State& state)
{
    auto& c = Cached();
    PlainFiles plain(c.folder);
    double loadSeconds = 0.0, plainSeconds = 0.0;
    bool ok = true;
    bool plainFirst = true; // turn about, so that neither finds the files warmer
    for (auto _ : state) {
        for (int step = 0; step < 2; ++step) {
            const bool plainNow = (step == 0) == plainFirst;
            const auto t0 = std::chrono::steady_clock::now();
            if (plainNow)
                plain.Read();
            else
                ok = c.terrain.LoadFiles() && ok;
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            (plainNow ? plainSeconds : loadSeconds) += seconds;
        }
        plainFirst = !plainFirst;
    }
    if (!ok)
        state.SkipWithError("cache not loaded");
    state.counters["ratio"] = plainSeconds > 0.0 ? loadSeconds / plainSeconds : 0.0;
}
BENCHMARK(BM_CacheLoadVsPlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();

// Frames of the terrain alone (chunks, shader, textures) into a 1030 x 725
// framebuffer.
void BM_TerrainFrame(benchmark::State& state)
{
    static int argc = 1;
    static char name[] = "terrain_bench";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        // kept to the end of the process: Qt's exit routines still need it
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        new QGuiApplication(argc, argv);
    }

    QOffscreenSurface surface;
    surface.setFormat(platform::DefaultGLFormat());
    surface.create();
    QOpenGLContext context;
    context.setFormat(platform::DefaultGLFormat());
    if (!context.create() || !context.makeCurrent(&surface)) {
        state.SkipWithError("no GL context (run under a display or xvfb-run)");
        return;
    }
    const int w = 1030, h = 725;
    {
        QOpenGLFramebufferObjectFormat f;
        f.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
        QOpenGLFramebufferObject fbo(w, h, f);
        fbo.bind();

        const fs::path old = fs::current_path();
        const fs::path work = TempFolder();
        const fs::path data = DataFolder();
        fs::create_directory_symlink(data / "Shader", work / "Shader");
        fs::create_directory_symlink(data / "Map", work / "Map");
        fs::current_path(work);
        {
            CGLterrain terrain;
            if (!terrain.Create(1024, 1024) || !terrain.GetShader().IsValid()) {
                state.SkipWithError("terrain or shader not created");
            } else {
                CGLcamera cam;
                cam.SetPerspective(6.0f, 1600000.0f, w, h);
                // 0: high above, looking down towards the horizon; 1: just above the
                // ground, looking along it (the track camera's view)
                const bool low = state.range(0) == 1;
                cam.SetPosition(low ? CVec3(0.0f, -2000.0f, 225.0f) : CVec3(0.0f, -20000.0f, 3000.0f));
                cam.SetRotation(low ? CVec3(90.0f, 0.0f, 0.0f) : CVec3(80.0f, 0.0f, 0.0f));
                glEnable(GL_DEPTH_TEST);
                glClearColor(0.35f, 0.55f, 0.8f, 1.0f);
                int drawn = 0;
                for (auto _ : state) {
                    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                    cam.SetProjectionMode();
                    cam.GetProjection().LoadToGL();
                    cam.SetModelViewMode();
                    cam.GetModelView().LoadIdentity();
                    cam.Update();
                    terrain.Render(&cam, &drawn);
                    glFinish();
                }
                state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
                state.counters["chunks"] = drawn;
            }
            terrain.Free();
        }
        fs::current_path(old);
        fs::remove_all(work);
    }
    context.doneCurrent();
}
BENCHMARK(BM_TerrainFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace
