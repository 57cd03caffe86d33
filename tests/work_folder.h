#pragma once
// A fresh folder under /tmp that is the working folder while the object lives
// (tests only): the program's relative paths land there, never in data/.
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>

class WorkFolder {
public:
    explicit WorkFolder(const char* tag = "work")
    {
        std::string tmpl = std::string("/tmp/qm_") + tag + "_XXXXXX";
        const char* p = mkdtemp(tmpl.data());
        m_path = p ? p : "";
        m_old = std::filesystem::current_path();
        if (!m_path.empty())
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
