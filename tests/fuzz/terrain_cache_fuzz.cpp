// fuzz max_len: 65536
// A terrain cache of any content: the input is cut into the manifest and the seven
// files of a small terrain. Loading either refuses the set or yields values the
// generator could have made: finite heights, colours 0..1, indices in range.
// When the first byte is odd, the files are cut or padded to their sizes and the
// manifest is written for them, so the checks after the checksums are fuzzed.
#include "engine/terrain/GLterrain.h"
#include "foundation/core/Versions.h"
#include "fuzz_file.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = (CVersions::EnableLog(false), true);
    (void)quiet;
    static const char* const names[] = {"cache.sum",  "Color.ter",  "Norm.ter",    "FaceNorm.ter",
                                        "Vert.ter",   "TVert.ter",  "Indice.ter",  "TerrVar.ter"};
    const bool sealed = size > 0 && (data[0] & 1);
    if (size > 0) {
        ++data;
        --size;
    }
    CGLterrain t;
    t.SetGrid(4, 4);
    const int64_t n = t.GetVertexCount();
    const int64_t sizes[8] = {0, 12 * n, 12 * n, 12 * n, 12 * n, 8 * n, 4 * t.GetIndexCount(), 8};
    // pieces split at the byte 0xFE, so the fuzzer can grow or shrink each one
    const std::string folder = fuzzfile::Folder() + "/Terrain";
    platform::CreateDirectories(folder);
    size_t start = 0;
    for (int f = 0; f < 8; ++f) {
        size_t end = start;
        while (end < size && data[end] != 0xFE)
            ++end;
        std::vector<uint8_t> piece(data + start, data + end);
        if (sealed)
            piece.resize(size_t(sizes[f]));
        if (!platform::WriteFileAtomic(platform::JoinPath(folder, names[f]), piece.data(), piece.size()))
            std::abort();
        start = end < size ? end + 1 : size;
    }
    t.SetCacheFolder(folder);
    if (!t.AllocArrays())
        std::abort();
    t.BuildGrid();
    if (sealed && !t.SealCacheFiles())
        std::abort();
    if (!t.LoadFiles())
        return 0;
    for (int64_t k = 0; k < n; ++k) {
        const CVec3& v = t.GetVertices()[k];
        const CVec3& c = t.GetColors()[k];
        if (!std::isfinite(v.z) || !(c.x >= 0.0f && c.x <= 1.0f && c.y >= 0.0f && c.y <= 1.0f && c.z >= 0.0f &&
                                     c.z <= 1.0f))
            std::abort();
    }
    for (int64_t k = 0; k < t.GetIndexCount(); ++k)
        if (t.GetIndices()[k] >= uint64_t(n))
            std::abort();
    if (!std::isfinite(t.GetHeightAt(CVec3(0.0f, 0.0f, 0.0f))))
        std::abort();
    return 0;
}
