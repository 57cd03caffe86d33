// The real program with a script stuck where the stop request cannot reach it
// (a looping finalizer, a C function that takes for ever), in a frame, while
// the scene closes and while it is created: Esc ends the program within the
// render thread's 10 s wait, with the user's work saved and the script named.
#include "work_folder.h"
#include "x_input.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Frame 5 of Tracks.lua's OnImage gets stuck by `stuck`; every frame before logs itself.
std::string StuckInAFrame(const std::string& stuck)
{
    return "gFrames = 0\n"
           "function OnImage(a, b, index)\n"
           "  gFrames = gFrames + 1\n"
           "  Print(\"FRAME \" .. gFrames)\n"
           "  if gFrames == 5 then\n" +
           stuck +
           "\n  end\n"
           "end\n";
}

const char kLoopingFinalizer[] = "setmetatable({}, {__gc = function() while true do end end}); collectgarbage()";

struct Case {
    const char* name;
    const char* script;  // the file under Lua/
    std::string text;
    const char* readyLine;  // in the log once the script is where the case wants it
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class StuckScriptProgram : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        m_dir = NewTempFolder("stuck");
        for (const auto& e : fs::directory_iterator(QM_DATA_DIR)) {
            const auto name = e.path().filename();
            if (name == "quillmont.log" || name == "Terrain" || name == "Camera" || name == "Radar")
                continue;
            if (name == "Shader" || name == "Map" || name == "map" || name == "Models")
                fs::create_directory_symlink(e.path(), m_dir / name);
            else
                fs::copy(e.path(), m_dir / name, fs::copy_options::recursive);
        }
    }
    void TearDown() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string Log() const
    {
        std::ifstream in(m_dir / "quillmont.log", std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    int PoseFiles() const
    {
        int n = 0;
        for (int i = 0; i < 10; ++i)
            n += fs::exists(m_dir / "Camera" / ("Cam" + std::to_string(i) + ".pos"));
        return n;
    }
    template <class Pred>
    static bool WaitFor(Pred pred, int ms)
    {
        for (int waited = 0; waited < ms; waited += 100) {
            if (pred())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return pred();
    }

    fs::path m_dir;
    QProcess m_process;
};

TEST_P(StuckScriptProgram, EscEndsTheProgramWithinTheWaitAndSavesTheWork)
{
    const Case& c = GetParam();
    std::ofstream(m_dir / "Lua" / c.script, std::ios::binary | std::ios::trunc) << c.text;
    m_process.setWorkingDirectory(QString::fromStdString(m_dir.string()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QM_PROGRAM, {});
    ASSERT_TRUE(m_process.waitForStarted(10000));
    ASSERT_TRUE(WaitFor([&] { return Log().find(c.readyLine) != std::string::npos; }, 120000)) << Log();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // well inside the script by now
    std::string main;
    ASSERT_TRUE(WaitFor([&] { return !(main = xinput::Xdotool({"search", "--name", "^Quillmont$"})).empty(); }, 10000));
    main = main.substr(0, main.find('\n'));

    QElapsedTimer closing;
    closing.start();
    xinput::Keys(WId(std::stoull(main)), {"Escape"});
    EXPECT_TRUE(m_process.waitForFinished(25000)) << "Esc did not end the program";
    // 10 s, one more for the call seen stuck, then the saves (slow on a loaded machine)
    EXPECT_LT(closing.elapsed(), 18000);
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);
    const std::string log = Log();
    EXPECT_NE(log.find(std::string("script Lua//") + c.script + " did not return within 10 s"), std::string::npos)
        << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
    EXPECT_EQ(PoseFiles(), 10);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StuckScriptProgram,
    ::testing::Values(Case{"FinalizerInAFrame", "Tracks.lua", StuckInAFrame(kLoopingFinalizer), "FRAME 5"},
                      Case{"SlowPatternInAFrame", "Tracks.lua",
                           StuckInAFrame("string.find(string.rep('a', 1e5), '.-.-.-x')"), "FRAME 5"},
                      Case{"FinalizerAtClose", "Tracks.lua",
                           StuckInAFrame("") + "gKeep = setmetatable({}, {__gc = function() while true do end end})\n",
                           "FRAME 5"},
                      Case{"FinalizerAtStartUp", "Options.lua", std::string(kLoopingFinalizer) + "\n",
                           "CLuaScript::Host Create succseed Signal(IDSTR-1-2)"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

} // namespace
