#pragma once
// Fuzz input written to a file, so targets read it the way the program does:
// through the file-opening helper, with its kind and size checks.
#include "platform/Paths.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzzfile {

// A folder of this process, made once.
inline const std::string& Folder()
{
    static const std::string folder = [] {
        std::string tmpl = "/tmp/qm_fuzz_" + std::to_string(::getpid()) + "_XXXXXX";
        const char* p = mkdtemp(tmpl.data());
        return std::string(p ? p : "/tmp");
    }();
    return folder;
}

// Writes the bytes to `name` inside Folder() and returns the path.
inline std::string Put(const std::string& name, const uint8_t* data, size_t size)
{
    const std::string path = platform::JoinPath(Folder(), name);
    if (!platform::WriteFileAtomic(path, data, size))
        std::abort();
    return path;
}

} // namespace fuzzfile
