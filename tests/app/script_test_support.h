#pragma once
// Helpers of the script host tests: a fake scene, a temporary working folder
// with a Lua/ folder, and script files whose change the host must notice.
#include "app/script/ScriptScene.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace scripttest {

// A scene that keeps its models in a list, ids in load order as the real one.
class FakeScene : public IScriptScene {
public:
    struct Model {
        int id;
        std::string file;
        CVec3 pos, rot;
        float scale;
        bool bitmap, subtils;
    };
    std::vector<Model> models;
    int nextId = 0;
    int clears = 0;

    int Load3DS(const std::string& file, const CVec3& pos, float scale, bool bitmap, bool subtils) override
    {
        if (file.find("missing") != std::string::npos)
            return 0;
        models.push_back({nextId++, file, pos, CVec3(), scale, bitmap, subtils});
        return 100 + int(models.size());
    }
    void Clear3DS() override
    {
        models.clear();
        nextId = 0;
        ++clears;
    }
    void SetModelPosRot(int id, const CVec3& pos, const CVec3& rot) override
    {
        for (Model& m : models)
            if (m.id == id) {
                m.pos = pos;
                m.rot = rot;
                return;
            }
    }
};

// Runs the test in a fresh folder with a Lua/ sub-folder; restores the old one.
class WorkDir {
public:
    WorkDir() : m_path(NewTempFolder("script"))
    {
        m_old = std::filesystem::current_path();
        std::filesystem::create_directories(m_path + "/Lua");
        std::filesystem::current_path(m_path);
    }
    ~WorkDir()
    {
        std::error_code ec;
        std::filesystem::current_path(m_old, ec);
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::filesystem::path m_old;
};

// Writes a file and moves its write time forward, so a rewrite within the file
// system's time granularity still counts as a change.
inline void WriteScript(const std::string& path, const std::string& text)
{
    static int bump = 0;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() +
                                               std::chrono::seconds(++bump));
}

} // namespace scripttest
