#pragma once
// A test's own working folder (a WorkFolder) with the shipped data in it, so that
// nothing a test does (track sets, poses, terrain cache, radar files, the log)
// reaches data/.
//
//   TempDataFolder folder;                  // every shipped entry
//   TempDataFolder folder({"User", "Map"}); // only these entries
//
// What the program writes as it runs (Terrain, Radar, Camera, quillmont.log) is
// left out unless named. Folders that are only read (Map, map, Models, Shader) are
// linked; every other entry is copied, so writing into it leaves the shipped file
// alone. While the object lives the log goes to the folder's "quillmont.log";
// afterwards the default log file comes back. For an empty working folder use
// WorkFolder itself. Needs QM_DATA_DIR, which every test target defines.
#include "platform/LogSink.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

class TempDataFolder : public WorkFolder {
public:
    TempDataFolder() : WorkFolder("data") { Fill(std::nullopt); }
    TempDataFolder(std::initializer_list<const char*> entries) : WorkFolder("data")
    {
        Fill(std::vector<std::string>(entries.begin(), entries.end()));
    }
    ~TempDataFolder() { platform::SetLogFile("quillmont.log"); }

    static std::filesystem::path Shipped() { return QM_DATA_DIR; }
    // False when the folder could not be made or filled (the test has a failure then).
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

    void Fill(const std::optional<std::vector<std::string>>& only)
    {
        namespace fs = std::filesystem;
        if (!WorkFolder::Ok()) {
            ADD_FAILURE() << "cannot make a temporary working folder";
            return;
        }
        const fs::path dir = Path();
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(Shipped(), ec)) {
            const std::string name = e.path().filename().string();
            bool wanted = !WrittenByTheProgram(name);
            if (only) {
                wanted = false;
                for (const auto& o : *only)
                    wanted = wanted || o == name;
            }
            if (!wanted)
                continue;
            if (ReadOnly(name))
                fs::create_directory_symlink(e.path(), dir / name, ec);
            else
                fs::copy(e.path(), dir / name, fs::copy_options::recursive, ec);
            if (ec) {
                ADD_FAILURE() << "cannot bring " << name << " into " << dir << ": " << ec.message();
                return;
            }
        }
        if (ec) {
            ADD_FAILURE() << "cannot list " << Shipped() << ": " << ec.message();
            return;
        }
        platform::SetLogFile((dir / "quillmont.log").string());
        m_ok = true;
    }

    bool m_ok = false;
};
