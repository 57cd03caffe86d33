#pragma once
// The real program in a working folder of its own under the test display, driven
// with real X input (xdotool). Its Tracks.lua prints "FRAME <n>" every frame, and
// line 3 (0-based) is where a test can stop it with a breakpoint.
#include "work_folder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace program_session {

inline std::string RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return p.readAllStandardOutput().trimmed().toStdString();
}

inline std::string Xdotool(const QStringList& args) { return RunTool("xdotool", args); }
inline void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

inline size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

inline const char kTracks[] = "gFrames = 0\n"
                              "function OnImage(a, b, index)\n"
                              "  local before = gFrames\n"
                              "  gFrames = before + 1\n"
                              "  Print(\"FRAME \" .. gFrames)\n"
                              "end\n";

class ProgramSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = NewTempFolder("program");
        for (const auto& e : std::filesystem::directory_iterator(QM_DATA_DIR)) {
            const auto name = e.path().filename();
            if (name == "quillmont.log")
                continue;
            // folders the program only reads are linked; everything it may write is copied
            if (name == "Shader" || name == "Map" || name == "map" || name == "Models")
                std::filesystem::create_directory_symlink(e.path(), m_dir / name);
            else
                std::filesystem::copy(e.path(), m_dir / name, std::filesystem::copy_options::recursive);
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
        std::filesystem::remove_all(m_dir, ec);
    }

    // Starts the program and waits for its first frames.
    bool Start()
    {
        m_process.setWorkingDirectory(QString::fromStdString(m_dir.string()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QM_PROGRAM, {});
        return m_process.waitForStarted(10000) && WaitFor([&] { return Frames() > 20; }, 120000);
    }
    std::string Read(const std::filesystem::path& relative) const
    {
        std::ifstream in(m_dir / relative, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string Log() const { return Read("quillmont.log"); }
    // The highest frame number in the log.
    int Frames() const
    {
        const std::string log = Log();
        const size_t at = log.rfind("FRAME ");
        return at == std::string::npos ? 0 : std::atoi(log.c_str() + at + 6);
    }
    template <class Pred>
    static bool WaitFor(Pred pred, int ms)
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
    static std::string Window(const QString& name, bool visibleOnly = false)
    {
        QStringList args{"search"};
        if (visibleOnly)
            args << "--onlyvisible";
        args << "--name" << name;
        const std::string all = Xdotool(args);
        return all.substr(0, all.find('\n'));
    }
    static bool Visible(const QString& name) { return !Window(name, true).empty(); }
    static int WindowCount(const QString& name)
    {
        const std::string all = Xdotool({"search", "--onlyvisible", "--name", name});
        return all.empty() ? 0 : int(Count(all, "\n")) + 1;
    }
    // Gives `win` the keyboard, then types the keys.
    static void Keys(const std::string& win, const QStringList& keys)
    {
        Xdotool({"windowactivate", "--sync", QString::fromStdString(win)});
        Xdotool({"windowfocus", "--sync", QString::fromStdString(win)});
        Type(keys);
    }
    // Types into whatever window has the keyboard.
    static void Type(const QStringList& keys)
    {
        for (const QString& k : keys) {
            Xdotool({"key", "--clearmodifiers", k});
            Sleep(150);
        }
    }
    // Opens a menu of the window's menu bar (at x) and runs its item-th entry.
    static void MenuItem(const std::string& win, int x, int item)
    {
        Xdotool({"windowactivate", "--sync", QString::fromStdString(win)});
        Xdotool({"windowraise", QString::fromStdString(win)});
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
    static void Shot(const char* name)
    {
        RunTool("import", {"-window", "root", QString::fromStdString((std::filesystem::temp_directory_path() / name).string())});
    }

    std::filesystem::path m_dir;
    QProcess m_process;
};

} // namespace program_session
