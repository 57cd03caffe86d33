// The real program under the test display, driven with real mouse events
// (xdotool): lay a stroke in edit mode, close, start again.
#include "platform/Paths.h"
#include "temp_data_folder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<char> Bytes(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return p.readAllStandardOutput().trimmed().toStdString();
}

std::string Xdotool(const QStringList& args) { return Run("xdotool", args); }

// Every file below dir, by its relative path; linked folders are not entered.
std::map<std::string, std::vector<char>> FilesBelow(const fs::path& dir)
{
    std::map<std::string, std::vector<char>> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && !e.is_symlink())
            files[fs::relative(e.path(), dir).string()] = Bytes(e.path());
    return files;
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A working folder like data/ with its own User, Html, Camera and Radar folders.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = NewTempFolder("program");
        // folders the program only reads are linked; the scripts are copied
        for (const char* name : {"Shader", "Map", "map", "Models"})
            if (fs::exists(fs::path(QM_DATA_DIR) / name))
                fs::create_directory_symlink(fs::path(QM_DATA_DIR) / name, m_dir / name);
        if (fs::exists(fs::path(QM_DATA_DIR) / "Lua"))
            fs::copy(fs::path(QM_DATA_DIR) / "Lua", m_dir / "Lua", fs::copy_options::recursive);
        fs::create_directories(m_dir / "User");
        fs::create_directories(m_dir / "Html");
        fs::create_directories(m_dir / "Camera");
        // edit mode on ("TrackOn" not active), the train standing
        std::ofstream(m_dir / "Html" / "HtmlItems.dat") << "Options|framerate|60|0|rangeSlider\n"
                                                           "Tracks|TrackOn|0|0|toggleButton\n"
                                                           "Trains|Speed|0|0|rangeSlider\n";
        // looking straight down from high above the origin
        std::ofstream(m_dir / "Camera" / "Cam0.pos") << "0.0,0.0,5000.0,0.0,0.0,0.0\n";
        m_program = fs::path(platform::ExecutableFolder()).parent_path().parent_path() / "quillmont";
    }
    void TearDown() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
        fs::remove_all(m_dir);
    }

    // Starts the program (in the test's folder unless another is given) and waits
    // until it draws (its load-time line); returns its window.
    std::string Start(const fs::path& dir = {})
    {
        m_process.setWorkingDirectory(QString::fromStdString((dir.empty() ? m_dir : dir).string()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QString::fromStdString(m_program.string()), {});
        if (!m_process.waitForStarted(10000))
            return {};
        m_log.clear();
        for (int i = 0; i < 1200 && m_log.find("Memory usement") == std::string::npos; ++i) {
            m_process.waitForReadyRead(100);
            m_log += m_process.readAll().toStdString();
        }
        Sleep(1500); // the once-a-second poll applies the store (edit mode)
        const std::string win = Xdotool({"search", "--name", "^Quillmont$"});
        return win.substr(0, win.find('\n'));
    }
    // Closes with Esc and waits for the end; true when it ended by itself.
    bool CloseWithEsc(const std::string& win)
    {
        Xdotool({"windowfocus", "--sync", QString::fromStdString(win)});
        Xdotool({"key", "--window", QString::fromStdString(win), "Escape"});
        const bool ended = m_process.waitForFinished(20000);
        m_log += m_process.readAll().toStdString();
        return ended;
    }

    fs::path m_dir, m_program;
    QProcess m_process;
    std::string m_log;
};

TEST_F(ProgramTest, AStrokeLaidWithTheMouseIsThereAfterARestartAndADamagedSetIsLeftAlone)
{
    ASSERT_TRUE(fs::exists(m_program)) << m_program;
    const std::string win = Start();
    ASSERT_FALSE(win.empty()) << m_log;
    ASSERT_NE(m_log.find("Memory usement"), std::string::npos) << m_log;

    // a stroke from left to right across the lower middle of the window
    const QString w = QString::fromStdString(win);
    Xdotool({"mousemove", "--window", w, "300", "400"});
    Sleep(200);
    Xdotool({"mousedown", "1"});
    Sleep(200);
    for (int x = 320; x <= 700; x += 20) {
        Xdotool({"mousemove", "--window", w, QString::number(x), "400"});
        Sleep(60);
    }
    Xdotool({"mouseup", "1"});
    Sleep(300);
    Xdotool({"mousemove", "--window", w, "700", "500"});
    Sleep(300);
    ASSERT_TRUE(CloseWithEsc(win)) << m_log;

    const fs::path main = m_dir / "User" / "Main" / "hostlist.bin";
    ASSERT_TRUE(fs::exists(main)) << m_log;
    const std::vector<char> laid = Bytes(main);
    ASSERT_GT(laid.size(), 8u + 8u + 3 * 12u) << "one host of several dots";
    EXPECT_EQ(laid[0], 1) << "one host";

    // an unedited damaged set beside it
    fs::create_directories(m_dir / "User" / "Zed");
    const fs::path damaged = m_dir / "User" / "Zed" / "hostlist.bin";
    std::ofstream(damaged, std::ios::binary) << std::string("\x05\0\0\0\0\0\0\0\x09junk", 13);
    const std::vector<char> junk = Bytes(damaged);

    const std::string again = Start();
    ASSERT_FALSE(again.empty()) << m_log;
    EXPECT_NE(m_log.find("Hst=1"), std::string::npos) << "the set loaded with its host\n" << m_log;
    Sleep(500);
    ASSERT_TRUE(CloseWithEsc(again)) << m_log;
    EXPECT_EQ(Bytes(main), laid) << "the same dots";
    EXPECT_EQ(Bytes(damaged), junk) << "left byte for byte";
}

// The shipped data is kept as the program writes it: a run without edits over a
// copy of it, closed with Esc, leaves every file it was started with as it was,
// though the exit writes the track sets again.
TEST_F(ProgramTest, ARunWithoutEditsLeavesTheShippedDataAsItWas)
{
    ASSERT_TRUE(fs::exists(m_program)) << m_program;
    TempDataFolder shipped;
    ASSERT_TRUE(shipped.Ok());
    const fs::path dir = shipped.Path();
    const auto before = FilesBelow(dir);
    const fs::path main = dir / "User" / "Main" / "hostlist.bin";
    ASSERT_TRUE(before.count("User/Main/hostlist.bin"));
    const auto written = fs::last_write_time(main);

    const std::string win = Start(dir);
    ASSERT_FALSE(win.empty()) << m_log;
    ASSERT_TRUE(CloseWithEsc(win)) << m_log;
    EXPECT_NE(fs::last_write_time(main), written) << "the sets were written at exit";
    const auto after = FilesBelow(dir);
    for (const auto& [name, bytes] : before) {
        const auto now = after.find(name);
        ASSERT_NE(now, after.end()) << name;
        EXPECT_TRUE(now->second == bytes) << name << " changed";
    }
}

} // namespace
