// Loading 3DS models: our loader (lib3ds behind the chunk check, then the model
// object's records: vertices, colours, texture coordinates, normals, boxes) against
// Assimp's importer on the same files. The generated models come from the data
// folder; a larger synthetic model is written by lib3ds at start-up.
//   Ours/<model>, Assimp/<model>: time per load.
//   Ratio/<model>: both timed alternately in one run; counter "ours/assimp".
#include "engine/models/GLmeshObj.h"
#include "foundation/core/Versions.h"

#include <benchmark/benchmark.h>
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>

#ifdef QM_HAVE_ASSIMP
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#endif

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const char* const kModels[] = {"Locomotive", "GoodsWagon", "TankWagon", "Station", "Tree", "BigTree"};

std::string ModelPath(const std::string& name) { return std::string(QM_DATA_DIR) + "/Models/" + name + ".3ds"; }

// Four meshes of a 180 x 180 grid each (a face count must fit 16 bits): 129,600
// vertices and 256,328 faces in all.
const std::string& BigModel()
{
    static const std::string path = [] {
        std::string p = "/tmp/qm_models_bench_" + std::to_string(getpid()) + ".3ds";
        Lib3dsFile* f = lib3ds_file_new();
        Lib3dsMesh** next = &f->meshes;
        const int nx = 180, ny = 180;
        for (int m = 0; m < 4; ++m) {
            Lib3dsMesh* mesh = lib3ds_mesh_new(("Grid" + std::to_string(m)).c_str());
            lib3ds_mesh_new_point_list(mesh, nx * ny);
            lib3ds_mesh_new_texel_list(mesh, nx * ny);
            for (int y = 0; y < ny; ++y)
                for (int x = 0; x < nx; ++x) {
                    int i = y * nx + x;
                    mesh->pointL[i].pos[0] = float(x) * 10.0f + float(m) * 2500.0f;
                    mesh->pointL[i].pos[1] = float(y) * 10.0f;
                    mesh->pointL[i].pos[2] = 40.0f * std::sin(float(x) * 0.1f) * std::cos(float(y) * 0.13f);
                    mesh->texelL[i][0] = float(x) / float(nx);
                    mesh->texelL[i][1] = float(y) / float(ny);
                }
            lib3ds_mesh_new_face_list(mesh, 2 * (nx - 1) * (ny - 1));
            int f3 = 0;
            for (int y = 0; y + 1 < ny; ++y)
                for (int x = 0; x + 1 < nx; ++x) {
                    Lib3dsWord a = Lib3dsWord(y * nx + x), b = Lib3dsWord(a + 1), c = Lib3dsWord(a + nx + 1),
                               d = Lib3dsWord(a + nx);
                    Lib3dsWord tri[2][3] = {{a, b, c}, {a, c, d}};
                    for (auto& t : tri) {
                        std::memcpy(mesh->faceL[f3].points, t, sizeof(t));
                        mesh->faceL[f3].smoothing = 1;
                        ++f3;
                    }
                }
            *next = mesh;
            next = &mesh->next;
        }
        lib3ds_file_save(f, p.c_str());
        lib3ds_file_free(f);
        std::atexit([] { std::remove(BigModel().c_str()); });
        return p;
    }();
    return path;
}

std::string PathOf(int index) { return index < int(std::size(kModels)) ? ModelPath(kModels[index]) : BigModel(); }
std::string NameOf(int index) { return index < int(std::size(kModels)) ? kModels[index] : "Big"; }

bool LoadOurs(const std::string& path)
{
    CGLmeshObj obj;
    int n = obj.LoadRecords(path, 1.0f, CVec3(), 0, false, true);
    benchmark::DoNotOptimize(obj.GetSize());
    return n > 0;
}

#ifdef QM_HAVE_ASSIMP
// The importer's own 3DS reading (with its normals from the smoothing groups).
bool LoadAssimp(Assimp::Importer& importer, const std::string& path)
{
    const aiScene* scene = importer.ReadFile(path, 0);
    bool ok = scene && scene->mNumMeshes > 0;
    benchmark::DoNotOptimize(scene);
    importer.FreeScene();
    return ok;
}
#endif

void Ours(benchmark::State& state)
{
    const std::string path = PathOf(int(state.range(0)));
    state.SetLabel(NameOf(int(state.range(0))));
    for (auto _ : state)
        if (!LoadOurs(path)) {
            state.SkipWithError("load failed");
            break;
        }
}

#ifdef QM_HAVE_ASSIMP
void AssimpLoad(benchmark::State& state)
{
    const std::string path = PathOf(int(state.range(0)));
    state.SetLabel(NameOf(int(state.range(0))));
    Assimp::Importer importer;
    for (auto _ : state)
        if (!LoadAssimp(importer, path)) {
            state.SkipWithError(importer.GetErrorString());
            break;
        }
}

void Ratio(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const std::string path = PathOf(int(state.range(0)));
    state.SetLabel(NameOf(int(state.range(0))));
    Assimp::Importer importer;
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        LoadOurs(path);
        auto t1 = Clock::now();
        LoadAssimp(importer, path);
        auto t2 = Clock::now();
        ours += std::chrono::duration<double>(t1 - t0).count();
        theirs += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = double(state.iterations());
    state.counters["ours_us"] = ours / n * 1e6;
    state.counters["assimp_us"] = theirs / n * 1e6;
    state.counters["ours/assimp"] = theirs > 0 ? ours / theirs : 0;
}
#endif

void Models(benchmark::internal::Benchmark* b)
{
    for (int i = 0; i <= int(std::size(kModels)); ++i)
        b->Arg(i);
}

const bool kQuiet = (CVersions::EnableLog(false), true);

} // namespace

BENCHMARK(Ours)->Apply(Models)->Unit(benchmark::kMicrosecond);
#ifdef QM_HAVE_ASSIMP
BENCHMARK(AssimpLoad)->Name("Assimp")->Apply(Models)->Unit(benchmark::kMicrosecond);
BENCHMARK(Ratio)->Apply(Models)->Unit(benchmark::kMicrosecond);
#endif
