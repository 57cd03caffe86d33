// The real program under the test display with damaged files in its working folder:
// a FIFO as the radar settings, a model and a texture of garbage. It draws, names
// each damaged file once in its log, closes on Esc and leaves the FIFO alone.
#include "platform/Paths.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string RunTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return p.readAllStandardOutput().trimmed().toStdString();
}

// Lines of the log that contain every one of the texts.
int LinesWith(const std::string& log, std::initializer_list<const char*> texts)
{
    std::istringstream in(log);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        bool all = true;
        for (const char* t : texts)
            all = all && line.find(t) != std::string::npos;
        n += all ? 1 : 0;
    }
    return n;
}

TEST(DamagedFilesProgram, DrawsNamesEachDamagedFileOnceAndClosesOnEsc)
{
    const fs::path dir = NewTempFolder("damaged");
    // folders the program only reads are linked; the ones it may write are copied
    for (const char* name : {"Shader", "Map", "map"})
        if (fs::exists(fs::path(QM_DATA_DIR) / name))
            fs::create_directory_symlink(fs::path(QM_DATA_DIR) / name, dir / name);
    for (const char* name : {"Lua", "Html", "html"})
        if (fs::exists(fs::path(QM_DATA_DIR) / name))
            fs::copy(fs::path(QM_DATA_DIR) / name, dir / name, fs::copy_options::recursive);
    fs::create_directories(dir / "User");
    // the models are copied, two of them spoilt
    fs::copy(fs::path(QM_DATA_DIR) / "Models", dir / "Models");
    std::ofstream(dir / "Models" / "Tree.3ds", std::ios::binary | std::ios::trunc) << std::string(3000, '\x4d');
    std::ofstream(dir / "Models" / "BRICK.BMP", std::ios::binary | std::ios::trunc) << "BM not a picture at all";
    fs::create_directories(dir / "Radar");
    ASSERT_EQ(mkfifo((dir / "Radar" / "Radar.set").c_str(), 0644), 0);

    const fs::path program = fs::path(platform::ExecutableFolder()).parent_path().parent_path() / "quillmont";
    ASSERT_TRUE(fs::exists(program)) << program;
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(dir.string()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QString::fromStdString(program.string()), {});
    ASSERT_TRUE(process.waitForStarted(10000));
    std::string log;
    for (int i = 0; i < 1200 && log.find("Memory usement") == std::string::npos; ++i) {
        process.waitForReadyRead(100);
        log += process.readAll().toStdString();
    }
    EXPECT_NE(log.find("Memory usement"), std::string::npos) << "it drew its first frame\n" << log;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const std::string found = RunTool("xdotool", {"search", "--name", "^Quillmont$"});
    const std::string win = found.substr(0, found.find('\n'));
    ASSERT_FALSE(win.empty()) << log;
    RunTool("xdotool", {"windowfocus", "--sync", QString::fromStdString(win)});
    RunTool("xdotool", {"key", "--window", QString::fromStdString(win), "Escape"});
    const bool ended = process.waitForFinished(20000);
    log += process.readAll().toStdString();
    if (!ended) {
        process.kill();
        process.waitForFinished(5000);
    }
    EXPECT_TRUE(ended) << "Esc closes it";

    EXPECT_EQ(LinesWith(log, {"Tree.3ds", "ERROR"}), 1) << log;
    EXPECT_EQ(LinesWith(log, {"BRICK.BMP", "error"}), 1) << log;
    EXPECT_EQ(LinesWith(log, {"Radar.set"}), 1) << log;
    EXPECT_TRUE(fs::is_fifo(dir / "Radar" / "Radar.set")) << "unchanged settings leave it alone";
    fs::remove_all(dir);
}

} // namespace
