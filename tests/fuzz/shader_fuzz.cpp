// fuzz max_len: 4194304
// Shader source files of any content and size, read as the program reads them:
// the text comes back whole and terminated, or the file is refused.
#include "engine/gl/GLShader.h"
#include "foundation/core/Versions.h"
#include "fuzz_file.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool quiet = (CVersions::EnableLog(false), true);
    (void)quiet;
    const std::string path = fuzzfile::Put("shader.glsl", data, size);
    const auto text = CGLShader::Load(path.c_str());
    if (size == 0) {
        if (text)
            std::abort(); // an empty file is refused
        return 0;
    }
    if (!text || std::memcmp(text.get(), data, size) != 0 || text[size] != '\0')
        std::abort();
    return 0;
}
