#pragma once
// Fuzz input written to a file, so targets read it the way the program does:
// through the file-opening helper, with its kind and size checks.
#include "platform/Paths.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzfile {

// A folder of this process, made once and removed when the process ends.
inline const std::string& Folder()
{
    struct Owned {
        Owned()
        {
            std::string tmpl = "/tmp/qm_fuzz_" + std::to_string(::getpid()) + "_XXXXXX";
            const char* p = mkdtemp(tmpl.data());
            path = p ? p : "";
            if (path.empty())
                std::abort();
        }
        ~Owned()
        {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
        std::string path;
    };
    static const Owned folder;
    return folder.path;
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
