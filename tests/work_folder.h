#pragma once
// Temporary folders for tests, made in the system's temporary folder (TMPDIR, else
// /tmp): a run that points TMPDIR at a folder of its own removes, with that folder,
// what a crashed or killed test leaves.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <system_error>

// A fresh folder "qm_<tag>_XXXXXX" in the temporary folder; the test program stops
// when it cannot be made.
inline std::string NewTempFolder(const std::string& tag)
{
    std::error_code ec;
    const std::filesystem::path tmp = std::filesystem::temp_directory_path(ec);
    std::string dir = (tmp / ("qm_" + tag + "_XXXXXX")).string();
    if (ec || !mkdtemp(dir.data())) {
        std::fprintf(stderr, "cannot make a temporary folder %s\n", dir.c_str());
        std::abort();
    }
    return dir;
}

// A fresh temporary folder that is the working folder while the object lives: the
// program's relative paths land there, never in data/.
class WorkFolder {
public:
    explicit WorkFolder(const char* tag = "work") : m_path(NewTempFolder(tag))
    {
        m_old = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
    }
    ~WorkFolder()
    {
        std::error_code ec;
        std::filesystem::current_path(m_old, ec);
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool Ok() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    // Writes a file relative to the folder, creating its parent folders.
    void Write(const std::string& rel, const std::string& text) const
    {
        const std::filesystem::path p = std::filesystem::path(m_path) / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    std::string Read(const std::string& rel) const
    {
        std::ifstream f(std::filesystem::path(m_path) / rel, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }

private:
    std::string m_path;
    std::filesystem::path m_old;
};
