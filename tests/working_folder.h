#pragma once
// Runs a test in a fresh temporary working folder (tests only). Shipped data
// folders a test reads are linked in, never written.
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <unistd.h>

class ScopedWorkingFolder {
public:
    // Links each named folder of the shipped data (QM_DATA_DIR) into the new folder.
    explicit ScopedWorkingFolder(std::initializer_list<const char*> dataLinks = {})
    {
        namespace fs = std::filesystem;
        m_old = fs::current_path();
        char tmpl[] = "/tmp/qm_work_XXXXXX";
        const char* made = mkdtemp(tmpl);
        m_dir = made ? made : "";
#ifdef QM_DATA_DIR
        for (const char* name : dataLinks)
            fs::create_directory_symlink(fs::path(QM_DATA_DIR) / name, m_dir / name);
#else
        (void)dataLinks;
#endif
        fs::current_path(m_dir);
    }
    ~ScopedWorkingFolder()
    {
        std::error_code ec;
        std::filesystem::current_path(m_old, ec);
        if (!m_dir.empty())
            std::filesystem::remove_all(m_dir, ec);
    }
    ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
    ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

    const std::filesystem::path& Path() const { return m_dir; }

private:
    std::filesystem::path m_old, m_dir;
};
