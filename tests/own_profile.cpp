// Linked into every test program: before main, the per-user folders Qt and the
// program write (settings such as window placements, the file dialog's history,
// caches, data) are pointed at a fresh folder of this process's own, removed when it
// ends. No test reads or writes the user's profile, and a program a test starts
// inherits the test's folder.
#include "work_folder.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

class OwnProfile {
public:
    OwnProfile() : m_dir(NewTempFolder("profile"))
    {
        for (const auto& [var, sub] : {std::pair{"XDG_CONFIG_HOME", "config"}, std::pair{"XDG_CACHE_HOME", "cache"},
                                       std::pair{"XDG_DATA_HOME", "data"}, std::pair{"XDG_STATE_HOME", "state"}})
            setenv(var, (m_dir / sub).c_str(), 1);
    }
    ~OwnProfile()
    {
        // a forked child that exits leaves the folder to its parent
        if (getpid() == m_owner) {
            std::error_code ec;
            std::filesystem::remove_all(m_dir, ec);
        }
    }

private:
    const pid_t m_owner = getpid();
    std::filesystem::path m_dir;
};

const OwnProfile g_ownProfile;

} // namespace
