// The script debugger in the real program under the test display, driven with
// real keys (xdotool): F11 opens the editors, F9 stops the scene at a line of
// Tracks.lua's OnImage, F5 lets one frame through, F9 again lets it run, F6
// traces lines while frames go on, a save recompiles, F11 hides the editors,
// and the program closes while stopped at a breakpoint.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return p.readAllStandardOutput().trimmed().toStdString();
}

std::string Xdotool(const QStringList& args) { return RunTool("xdotool", args); }
void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Every frame prints its number; line 3 (0-based) is where the test stops it.
const char kTracks[] = "gFrames = 0\n"
                       "function OnImage(a, b, index)\n"
                       "  local before = gFrames\n"
                       "  gFrames = before + 1\n"
                       "  Print(\"FRAME \" .. gFrames)\n"
                       "end\n";

class DebuggerProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qm_debugger_XXXXXX";
        m_dir = mkdtemp(tmpl);
        for (const auto& e : fs::directory_iterator(QM_DATA_DIR)) {
            const auto name = e.path().filename();
            if (name == "quillmont.log")
                continue;
            // folders the program only reads are linked; everything it may write is copied
            if (name == "Shader" || name == "Map" || name == "map" || name == "Models")
                fs::create_directory_symlink(e.path(), m_dir / name);
            else
                fs::copy(e.path(), m_dir / name, fs::copy_options::recursive);
        }
        std::ofstream(m_dir / "Lua" / "Tracks.lua", std::ios::binary | std::ios::trunc) << kTracks;
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
    // The highest frame number in the log.
    int Frames() const
    {
        const std::string log = Log();
        const size_t at = log.rfind("FRAME ");
        return at == std::string::npos ? 0 : std::atoi(log.c_str() + at + 6);
    }
    template <class Pred>
    bool WaitFor(Pred pred, int ms)
    {
        for (int waited = 0; waited < ms; waited += 100) {
            if (pred())
                return true;
            Sleep(100);
        }
        return pred();
    }
    // The frame count once it stays put for a second and a half; -1 while it moves.
    int StoppedFrames()
    {
        const int a = Frames();
        Sleep(1500);
        return Frames() == a ? a : -1;
    }
    std::string Window(const QString& name, bool visibleOnly = false)
    {
        QStringList args{"search"};
        if (visibleOnly)
            args << "--onlyvisible";
        args << "--name" << name;
        const std::string all = Xdotool(args);
        return all.substr(0, all.find('\n'));
    }
    int WindowCount(const QString& name)
    {
        const std::string all = Xdotool({"search", "--onlyvisible", "--name", name});
        return all.empty() ? 0 : int(Count(all, "\n")) + 1;
    }
    void Keys(const std::string& win, const QStringList& keys)
    {
        Xdotool({"windowactivate", "--sync", QString::fromStdString(win)});
        Xdotool({"windowfocus", "--sync", QString::fromStdString(win)});
        for (const QString& k : keys) {
            Xdotool({"key", "--clearmodifiers", k});
            Sleep(150);
        }
    }
    // Opens a menu of the window's menu bar (at x) and runs its item-th entry.
    void MenuItem(const std::string& win, int x, int item)
    {
        Xdotool({"windowactivate", "--sync", QString::fromStdString(win)});
        Xdotool({"mousemove", "--window", QString::fromStdString(win), QString::number(x), "8"});
        Xdotool({"click", "1"});
        Sleep(400);
        for (int i = 0; i < item; ++i) {
            Xdotool({"key", "Down"});
            Sleep(100);
        }
        Xdotool({"key", "Return"});
        Sleep(300);
    }
    void Shot(const char* name) { RunTool("import", {"-window", "root", QString::fromStdString((fs::path("/tmp") / name).string())}); }

    fs::path m_dir;
    QProcess m_process;
};

TEST_F(DebuggerProgram, BreakContinueTraceSaveHideAndCloseWhileStopped)
{
    m_process.setWorkingDirectory(QString::fromStdString(m_dir.string()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QM_PROGRAM, {});
    ASSERT_TRUE(m_process.waitForStarted(10000));
    ASSERT_TRUE(WaitFor([&] { return Frames() > 20; }, 120000)) << Log();
    const std::string main = Window("^Quillmont$");
    ASSERT_FALSE(main.empty());

    // F11: the three editors, each with its script
    Keys(main, {"F11"});
    ASSERT_TRUE(WaitFor([&] { return WindowCount("^LuaEdit ") == 3; }, 20000)) << Log();
    const std::string tracks = Window("Tracks\\.lua", true);
    ASSERT_FALSE(tracks.empty());
    EXPECT_FALSE(Window("Trains\\.lua", true).empty());
    EXPECT_FALSE(Window("Options\\.lua", true).empty());

    // F9 on line 3 of OnImage: the scene stops there
    Keys(tracks, {"ctrl+Home", "Down", "Down", "Down", "F9"});
    int stopped = -1;
    ASSERT_TRUE(WaitFor([&] { return (stopped = StoppedFrames()) >= 0; }, 15000)) << "frames go on";
    Shot("qm_debugger_stopped.png");
    // the variable list at the stop: the tooltip over a local
    Xdotool({"mousemove", "--window", QString::fromStdString(tracks), "190", "69"});
    Sleep(1500);
    Shot("qm_debugger_tooltip.png");

    // F5: exactly one more frame, then the same breakpoint again
    Keys(tracks, {"F5"});
    int next = -1;
    ASSERT_TRUE(WaitFor([&] { return (next = StoppedFrames()) >= 0; }, 15000));
    EXPECT_EQ(next, stopped + 1);

    // F9 on the stopped line removes the breakpoint: frames come again
    Keys(tracks, {"F9"});
    EXPECT_TRUE(WaitFor([&] { return Frames() > next + 10; }, 15000)) << "frames resume";

    // F6: line trace shows the lines while the frames keep coming
    Keys(tracks, {"F6"});
    const int traced = Frames();
    EXPECT_TRUE(WaitFor([&] { return Frames() > traced + 10; }, 15000)) << "line trace does not stop frames";
    Shot("qm_debugger_trace.png");
    Keys(tracks, {"F6"});

    // an edit saved: the script compiles again (and starts counting anew)
    const size_t compiles = Count(Log(), "CLuaScript::Compile File Lua//Tracks.lua Succseed");
    Keys(tracks, {"ctrl+End", "minus", "minus", "space", "x"});
    MenuItem(tracks, 20, 2);  // File, Save
    EXPECT_TRUE(WaitFor([&] { return Count(Log(), "CLuaScript::Compile File Lua//Tracks.lua Succseed") > compiles; },
                        10000))
        << Log();

    // F11 hides the unmodified editors, and brings them back
    Keys(main, {"F11"});
    EXPECT_TRUE(WaitFor([&] { return WindowCount("^LuaEdit ") == 0; }, 10000));
    Keys(main, {"F11"});
    ASSERT_TRUE(WaitFor([&] { return WindowCount("^LuaEdit ") == 3; }, 10000));

    // stopped at a breakpoint again, then the program closes
    Keys(tracks, {"ctrl+Home", "Down", "Down", "Down", "F9"});
    ASSERT_TRUE(WaitFor([&] { return StoppedFrames() >= 0; }, 15000));
    Keys(main, {"Escape"});
    EXPECT_TRUE(m_process.waitForFinished(20000)) << "the program ends while a script was stopped";
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
}

} // namespace
