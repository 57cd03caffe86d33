// The real program with its scene scripts: the models load, the locomotive
// (id 4) runs, and a Trains.lua saved while the program runs is run again
// without doubling the models. The program runs in a copy of the data folder.
#include "work_folder.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> LinesWith(const std::string& text, const std::string& what)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find(what) != std::string::npos)
            out.push_back(line);
    return out;
}

size_t Count(const std::string& text, const std::string& what)
{
    return LinesWith(text, what).size();
}

// A Trains.lua that flags every model and reports, every 10 frames, how many
// OnObj calls one frame had, the highest id among them, and where the
// locomotive was.
const char kTestTrains[] = R"(
Clear3DS()
local models = {
  { "Models\\Station.3ds",        0,  -900,  28 },
  { "Models\\Tree.3ds",        -700, -1050,  25 },
  { "Models\\BigTree.3ds",      450,  -700,  33 },
  { "Models\\GoodsWagon.3ds",  -110, -1040,  26 },
  { "Models\\Locomotive.3ds",    40, -1040,  25 },
  { "Models\\TankWagon.3ds",   -260, -1040,  26 },
}
for _, m in ipairs(models) do Load3DS(m[1], m[2], m[3], m[4], 1, 1, 1) end
local calls, maxId, frame, loco = 0, -1, 0, "none"
function OnObj(id, px, py, pz)
  calls = calls + 1
  if id > maxId then maxId = id end
  if id == 4 then loco = string.format("%.1f,%.1f", px, py) end
end
function OnImage(a, b, index)
  frame = frame + 1
  if frame % 10 == 0 then Print("TESTFRAME objs=" .. calls .. " max=" .. maxId .. " loco=" .. loco) end
  calls, maxId = 0, -1
end
)";

class ProgramRun {
public:
    ProgramRun()
    {
        m_dir = NewTempFolder("program");
        for (const auto& e : fs::directory_iterator(QM_DATA_DIR))
            if (e.path().filename() != "quillmont.log")
                fs::copy(e.path(), m_dir / e.path().filename(), fs::copy_options::recursive);
        m_process.setWorkingDirectory(QString::fromStdString(m_dir.string()));
        m_process.setProgram(QM_PROGRAM);
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start();
    }
    ~ProgramRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(15000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    bool Started() { return m_process.waitForStarted(10000); }
    bool Running() const { return m_process.state() == QProcess::Running; }
    std::string Log() const { return ReadFile(m_dir / "quillmont.log"); }
    // Waits until the log satisfies pred (or the program ends or time runs out).
    template <class Pred>
    bool WaitForLog(Pred pred, int seconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            if (pred(Log()))
                return true;
            if (!Running())
                return pred(Log());
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return pred(Log());
    }
    const fs::path& Dir() const { return m_dir; }

private:
    fs::path m_dir;
    QProcess m_process;
};

TEST(ProgramScripts, ModelsLoadTheLocomotiveRunsAndASavedScriptReloads)
{
    ProgramRun run;
    ASSERT_TRUE(run.Started());
    const std::string loaded = "Trains.lua: 6 models loaded";
    const std::string compiled = "CLuaScript::Compile File Lua//Trains.lua Succseed";
    // Options.lua is loaded after Trains.lua
    const std::string lastCompiled = "CLuaScript::Compile File Lua//Options.lua Succseed";
    ASSERT_TRUE(run.WaitForLog(
        [&](const std::string& log) { return Count(log, loaded) == 1 && Count(log, lastCompiled) >= 1; }, 120))
        << run.Log();
    std::string log = run.Log();
    EXPECT_EQ(Count(log, "CLuaScript::Compile File Lua//Tracks.lua Succseed"), 1u);
    EXPECT_EQ(Count(log, lastCompiled), 1u);
    EXPECT_EQ(Count(log, "CLuaScript::LuaErr"), 0u) << log;

    // save a new Trains.lua while the program runs; its write time moves on
    const fs::path trains = run.Dir() / "Lua" / "Trains.lua";
    {
        std::ofstream out(trains, std::ios::binary | std::ios::trunc);
        out << kTestTrains;
    }
    fs::last_write_time(trains, fs::file_time_type::clock::now() + std::chrono::seconds(2));
    ASSERT_TRUE(run.WaitForLog(
        [&](const std::string& l) { return Count(l, compiled) == 2 && Count(l, "TESTFRAME") >= 4; }, 60))
        << run.Log();
    log = run.Log();
    EXPECT_EQ(Count(log, "CLuaScript::LuaErr"), 0u) << log;
    const std::vector<std::string> frames = LinesWith(log, "TESTFRAME");
    std::vector<std::string> positions;
    for (const std::string& f : frames) {
        // every model once a frame, ids 0..5: the reload did not add a second set
        EXPECT_NE(f.find("objs=6 max=5"), std::string::npos) << f;
        const size_t at = f.find("loco=");
        ASSERT_NE(at, std::string::npos) << f;
        positions.push_back(f.substr(at + 5));
    }
    // the locomotive moves along the tracks
    EXPECT_NE(positions.front(), positions.back()) << log;
    EXPECT_NE(positions.back(), "none");
}

} // namespace
