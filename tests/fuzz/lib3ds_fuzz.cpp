// fuzz max_len: 4194304
// The 3DS reader on arbitrary bytes: refused or read, never a crash, and a read file
// holds only indices that stay inside its own lists.
#include "engine/models/Lib3dsAdapter.h"
#include "foundation/core/Versions.h"

#include "fuzz_file.h"

#include <cstdint>
#include <vector>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // through the file and the helper the program reads with
    std::vector<uint8_t> held;
    if (!platform::ReadWholeFile(fuzzfile::Put("input", data, size), held, l3ds::kMaxFileSize))
        return 0;
    data = held.data();
    size = held.size();
    static bool quiet = (CVersions::EnableLog(false), true);
    (void)quiet;
    l3ds::File file;
    l3ds::ReadResult r = l3ds::ReadBytes(file, data, size, nullptr);
    // lib3ds refusing a copy the check accepted would leave it in a broken state
    if (r == l3ds::ReadResult::LibraryFailed)
        std::abort();
    if (r != l3ds::ReadResult::Ok)
        return 0;
    for (const l3ds::Mesh& m : file.meshes) {
        if (!m.texcos.empty() && m.texcos.size() != m.vertices.size())
            std::abort();
        for (const l3ds::Face& f : m.faces) {
            for (unsigned short i : f.index)
                if (i >= m.vertices.size())
                    std::abort();
            if (f.material < -1 || f.material >= int(file.materials.size()))
                std::abort();
        }
        float lo[3], hi[3];
        l3ds::MeshBoundingBox(m, lo, hi);
    }
    return 0;
}
