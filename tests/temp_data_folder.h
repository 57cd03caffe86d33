#pragma once
// A test's own working folder with the shipped data in it, so that nothing a test
// does (track sets, poses, terrain cache, radar files, the log) reaches data/.
//
//   TempDataFolder folder;                  // every shipped entry
//   TempDataFolder folder({"User", "Map"}); // only these entries
//   TempDataFolder folder({});              // an empty working folder
//
// What the program writes as it runs (Terrain, Radar, Camera, quillmont.log) is
// left out unless named. Folders that are only read (Map, map, Models, Shader) are
// linked; every other entry is copied, so writing into it leaves the shipped file
// alone. While the
// object lives the process works in that folder and logs to its "quillmont.log";
// afterwards the old working folder and the default log file come back and the
// folder is removed. Needs QM_DATA_DIR, which every test target defines.
#include "platform/LogSink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

class TempDataFolder {
public:
    TempDataFolder() { Make(std::nullopt); }
    TempDataFolder(std::initializer_list<const char*> entries)
    {
        Make(std::vector<std::string>(entries.begin(), entries.end()));
    }
    ~TempDataFolder()
    {
        std::error_code ec;
        platform::SetLogFile("quillmont.log");
        if (!m_old.empty())
            std::filesystem::current_path(m_old, ec);
        if (!m_dir.empty())
            std::filesystem::remove_all(m_dir, ec);
    }
    TempDataFolder(const TempDataFolder&) = delete;
    TempDataFolder& operator=(const TempDataFolder&) = delete;

    const std::filesystem::path& Path() const { return m_dir; }
    static std::filesystem::path Shipped() { return QM_DATA_DIR; }
    // False when the folder could not be made (the test then fails with a message).
    bool Ok() const { return m_ok; }

private:
    static bool WrittenByTheProgram(const std::string& name)
    {
        for (const char* r : {"Terrain", "Radar", "Camera", "quillmont.log"})
            if (name == r)
                return true;
        return false;
    }
    static bool ReadOnly(const std::string& name)
    {
        for (const char* r : {"Map", "map", "Models", "Shader"})
            if (name == r)
                return true;
        return false;
    }

    void Make(const std::optional<std::vector<std::string>>& only)
    {
        namespace fs = std::filesystem;
        std::error_code ec;
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qm_data_XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            ADD_FAILURE() << "cannot make a temporary folder";
            return;
        }
        m_dir = fs::path(pattern);
        for (const auto& e : fs::directory_iterator(Shipped(), ec)) {
            const std::string name = e.path().filename().string();
            if (!only && WrittenByTheProgram(name))
                continue;
            if (only) {
                bool wanted = false;
                for (const auto& o : *only)
                    wanted = wanted || o == name;
                if (!wanted)
                    continue;
            }
            if (ReadOnly(name))
                fs::create_directory_symlink(e.path(), m_dir / name, ec);
            else
                fs::copy(e.path(), m_dir / name, fs::copy_options::recursive, ec);
            if (ec) {
                ADD_FAILURE() << "cannot bring " << name << " into " << m_dir << ": " << ec.message();
                return;
            }
        }
        m_old = fs::current_path(ec);
        fs::current_path(m_dir, ec);
        if (ec) {
            ADD_FAILURE() << "cannot work in " << m_dir;
            return;
        }
        platform::SetLogFile((m_dir / "quillmont.log").string());
        m_ok = true;
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_old;
    bool m_ok = false;
};
