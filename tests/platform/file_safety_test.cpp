#include "platform/LogSink.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TempDir {
    TempDir()
    {
        char tmpl[] = "/tmp/qm-files-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const std::string& rel) const { return path + "/" + rel; }
    std::string path;
};

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Get(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Lines the sink got while the object lived.
struct LogLines {
    LogLines()
    {
        platform::SetLogObserver([this](std::string_view l) { lines.emplace_back(l); });
    }
    ~LogLines() { platform::SetLogObserver(nullptr); }
    std::vector<std::string> lines;
};

TEST(ReadRegularFile, RefusesWhatIsNotAFileWithoutBlockingAndNamesIt)
{
    TempDir dir;
    Put(dir / "plain", "0123456789");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    fs::create_directory(dir / "folder");
    fs::create_symlink("/dev/zero", dir / "zero");
    fs::create_symlink(dir / "fifo", dir / "to-fifo");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = dir / "sock";
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sockPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    struct Case {
        const char* name;
        uint64_t cap;
        bool read;
        bool logged;
    } cases[] = {
        {"plain", 10, true, false},   {"plain", 9, false, true},  {"fifo", 1 << 20, false, true},
        {"to-fifo", 1 << 20, false, true}, {"folder", 1 << 20, false, true}, {"zero", 1 << 20, false, true},
        {"sock", 1 << 20, false, true}, {"missing", 1 << 20, false, false},
    };
    for (const Case& c : cases) {
        LogLines log;
        std::vector<uint8_t> bytes;
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(platform::ReadWholeFile(dir / c.name, bytes, c.cap), c.read) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2)) << c.name;
        if (c.read)
            EXPECT_EQ(bytes.size(), 10u);
        else
            EXPECT_TRUE(bytes.empty()) << c.name;
        ASSERT_EQ(log.lines.size(), c.logged ? 1u : 0u) << c.name;
        if (c.logged)
            EXPECT_NE(log.lines[0].find(dir / c.name), std::string::npos) << log.lines[0];

        // with a reason asked for, nothing is logged
        LogLines quiet;
        std::string why;
        EXPECT_EQ(platform::ReadWholeFile(dir / c.name, bytes, c.cap, &why), c.read);
        EXPECT_TRUE(quiet.lines.empty()) << c.name;
        EXPECT_EQ(why.empty(), c.read) << c.name;
    }
    ::close(sock);
}

TEST(AtomicWrite, FollowsALinkAtTheTargetAndNeverWritesThroughPlantedLinks)
{
    TempDir dir;
    fs::create_directory(dir / "elsewhere");
    fs::create_directory(dir / "User");
    Put(dir / "elsewhere/set.bin", "old");
    fs::create_symlink("../elsewhere/set.bin", dir / "User/set.bin");
    // links at the names a save might once have used for its temporary file
    Put(dir / "victim", "keep");
    const std::string pid = std::to_string(::getpid());
    fs::create_symlink(dir / "victim", dir / ("User/set.bin.tmp-" + pid));
    fs::create_symlink(dir / "victim", dir / ("elsewhere/set.bin.tmp-" + pid));

    ASSERT_TRUE(platform::WriteFileAtomic(dir / "User/set.bin", "new", 3));
    EXPECT_TRUE(fs::is_symlink(dir / "User/set.bin")) << "the user's link keeps working";
    EXPECT_EQ(Get(dir / "elsewhere/set.bin"), "new");
    EXPECT_EQ(Get(dir / "victim"), "keep");

    // a dangling link at the target: the file it names is created
    fs::create_symlink("made.bin", dir / "User/dangling.bin");
    ASSERT_TRUE(platform::WriteFileAtomic(dir / "User/dangling.bin", "x", 1));
    EXPECT_EQ(Get(dir / "User/made.bin"), "x");

    // only the written files and the planted links are left: no temporary file
    size_t entries = 0;
    for (const auto& e : fs::directory_iterator(dir / "elsewhere"))
        entries += e.path().filename().string().find("qmtmp") == std::string::npos ? 1 : 100;
    EXPECT_EQ(entries, 2u);
}

TEST(AtomicWrite, RemovesTemporaryFilesOfDeadProcessesOnly)
{
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child), alive = std::to_string(::getpid());
    Put(dir / ("a.set.qmtmp-" + dead + "-0badf00d"), "stale");
    Put(dir / ("a.set.qmtmp-" + alive + "-0badf00d"), "ours, maybe in use");
    Put(dir / "notes.qmtmp-x", "not our pattern");
    Put(dir / "b.set", "user file");

    ASSERT_TRUE(platform::WriteFileAtomic(dir / "c.set", "c", 1));
    EXPECT_FALSE(fs::exists(dir / ("a.set.qmtmp-" + dead + "-0badf00d")));
    EXPECT_TRUE(fs::exists(dir / ("a.set.qmtmp-" + alive + "-0badf00d")));
    EXPECT_TRUE(fs::exists(dir / "notes.qmtmp-x"));
    EXPECT_EQ(Get(dir / "b.set"), "user file");
    EXPECT_EQ(Get(dir / "c.set"), "c");
}

TEST(AtomicWrite, ReadOnlyFolderKeepsTheOldFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    Put(dir / "f", "old");
    ::chmod(dir.path.c_str(), 0555);
    EXPECT_FALSE(platform::WriteFileAtomic(dir / "f", "new", 3));
    ::chmod(dir.path.c_str(), 0755);
    EXPECT_EQ(Get(dir / "f"), "old");
}

} // namespace
