#include "platform/LogSink.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <map>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <thread>
#include <sys/sysmacros.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace {

namespace fs = std::filesystem;

struct TempDir {
    TempDir() : path(NewTempFolder("files")) {}
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
        if (c.read) {
            EXPECT_EQ(bytes.size(), 10u);
        } else {
            EXPECT_TRUE(bytes.empty()) << c.name;
        }
        ASSERT_EQ(log.lines.size(), c.logged ? 1u : 0u) << c.name;
        if (c.logged) {
            EXPECT_NE(log.lines[0].find(dir / c.name), std::string::npos) << log.lines[0];
        }

        // with a reason asked for, nothing is logged
        LogLines quiet;
        std::string why;
        EXPECT_EQ(platform::ReadWholeFile(dir / c.name, bytes, c.cap, &why), c.read);
        EXPECT_TRUE(quiet.lines.empty()) << c.name;
        EXPECT_EQ(why.empty(), c.read) << c.name;
    }
    ::close(sock);
}

// Everything under a folder, links not followed: kind, inode and contents.
std::map<std::string, std::string> Snapshot(const std::string& root)
{
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        struct stat st;
        ::lstat(e.path().c_str(), &st);
        std::string what = std::to_string(st.st_mode) + ":" + std::to_string(st.st_ino);
        if (S_ISREG(st.st_mode))
            what += ":" + Get(e.path());
        if (S_ISLNK(st.st_mode))
            what += ":" + fs::read_symlink(e.path()).string();
        out[e.path().string()] = what;
    }
    return out;
}

// A device node or FIFO, at the name or behind a link, is refused without being
// opened: an IN_OPEN watch on the node sees no open.
TEST(ReadRegularFile, NeverOpensADeviceOrFifoItRefuses)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    const bool haveDevice = ::mknod((dir / "null").c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0;
    fs::create_symlink(dir / "fifo", dir / "to-fifo");
    fs::create_symlink(dir / "null", dir / "to-null");
    struct {
        const char* name;
        const char* node;
    } cases[] = {{"fifo", "fifo"}, {"to-fifo", "fifo"}, {"null", "null"}, {"to-null", "null"}};
    for (const auto& c : cases) {
        if (std::string(c.node) == "null" && !haveDevice)
            continue;
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, (dir / c.node).c_str(), IN_OPEN), 0);
        std::vector<uint8_t> bytes;
        std::string why;
        EXPECT_FALSE(platform::ReadWholeFile(dir / c.name, bytes, 1 << 20, &why)) << c.name;
        EXPECT_EQ(why, "not a regular file") << c.name;
        char events[4096];
        EXPECT_LT(::read(watch, events, sizeof events), 0) << c.name << " was opened";
        ::close(watch);
    }
    if (!haveDevice)
        GTEST_SKIP() << "mknod refused: only the FIFO was tried";
}

// Standard error of the process goes to a file while the object lives.
class StderrToFile {
public:
    explicit StderrToFile(const std::string& path)
    {
        std::fflush(stderr);
        m_saved = ::dup(2);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StderrToFile()
    {
        ::dup2(m_saved, 2);
        ::close(m_saved);
    }

private:
    int m_saved = -1;
};

size_t CountOf(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Only a regular file at the log's name takes the log. Anything else (a FIFO
// with or without a reader, a link to a file, a dangling link) leaves the lines
// on standard error, with one line there naming the file; the calls return at
// once and nothing the name leads to is created or changed. A file without any
// write bit is its owner's protection, also against root: it is left as it is.
TEST(LogFile, OnlyARegularFileAtTheNameTakesTheLog)
{
    struct Case {
        const char* what;
        std::function<void(const std::string& log, const std::string& out)> make;
        bool kept;
    } cases[] = {
        {"absent", [](const std::string&, const std::string&) {}, true},
        {"a file", [](const std::string& log, const std::string&) { Put(log, "old\n"); }, true},
        {"a fifo", [](const std::string& log, const std::string&) { ::mkfifo(log.c_str(), 0644); }, false},
        {"a fifo with a reader", [](const std::string& log, const std::string&) { ::mkfifo(log.c_str(), 0644); },
         false},
        {"a link to a file",
         [](const std::string& log, const std::string& out) { fs::create_symlink(out + "/notes.txt", log); }, false},
        {"a dangling link",
         [](const std::string& log, const std::string& out) { fs::create_symlink(out + "/new.log", log); }, false},
        {"a write-protected file",
         [](const std::string& log, const std::string&) {
             Put(log, "the owner's protected log\n");
             ::chmod(log.c_str(), 0444);
         },
         false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        fs::create_directory(dir / "data");
        fs::create_directory(dir / "out");
        Put(dir / "out/notes.txt", "the user's notes\n");
        const std::string log = dir / "data/quillmont.log";
        c.make(log, dir / "out");
        const bool regular = fs::is_regular_file(fs::symlink_status(log));
        const std::string old = regular ? Get(log) : "";
        const int reader = std::string(c.what) == "a fifo with a reader"
                               ? ::open(log.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)
                               : -1;
        const auto before = Snapshot(dir / "out");

        platform::SetLogFile(log);
        std::atomic<bool> returned{false};
        bool inTime = false;
        {
            StderrToFile capture(dir / "stderr.txt");
            std::thread writer([&] {
                platform::LogWrite("first line");
                platform::LogWrite("second line\r\n");
                returned = true;
            });
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            while (!returned && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            inTime = returned;
            // a writer stuck in the FIFO's open is let go by a reader
            const int release = inTime ? -1 : ::open(log.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            writer.join();
            if (release >= 0)
                ::close(release);
        }
        platform::SetLogFile("quillmont.log");

        EXPECT_TRUE(inTime) << c.what << ": the log calls hung";
        EXPECT_EQ(Snapshot(dir / "out"), before) << c.what;
        const std::string err = Get(dir / "stderr.txt");
        EXPECT_EQ(CountOf(err, "first line\n"), 1u) << c.what;
        EXPECT_EQ(CountOf(err, "second line\n"), 1u) << c.what;
        EXPECT_EQ(CountOf(err, log), c.kept ? 0u : 1u) << c.what << ":\n" << err;
        if (c.kept) {
            EXPECT_EQ(Get(log), old + "first line\nsecond line\n") << c.what;
        } else if (regular) {
            EXPECT_EQ(Get(log), old) << c.what;
        }
        if (reader >= 0) {
            char byte;
            EXPECT_LE(::read(reader, &byte, 1), 0) << "the log was written into the FIFO";
            ::close(reader);
        }
    }
}

bool MakeSocket(const std::string& path, int& fd)
{
    fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    return ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

TEST(AtomicWrite, AUsersLinkToAFileKeepsWorking)
{
    TempDir dir;
    fs::create_directory(dir / "elsewhere");
    fs::create_directory(dir / "User");
    Put(dir / "elsewhere/set.bin", "old");
    fs::create_symlink("set.bin", dir / "elsewhere/chain.bin");
    fs::create_symlink("../elsewhere/chain.bin", dir / "User/set.bin");

    ASSERT_TRUE(platform::WriteFileAtomic(dir / "User/set.bin", "new", 3));
    EXPECT_TRUE(fs::is_symlink(dir / "User/set.bin"));
    EXPECT_TRUE(fs::is_symlink(dir / "elsewhere/chain.bin"));
    EXPECT_EQ(Get(dir / "elsewhere/set.bin"), "new");
    // no temporary file is left beside either
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "elsewhere"), fs::directory_iterator()), 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "User"), fs::directory_iterator()), 1);
}

// Whatever is not a regular file, at the name or behind a link there, is
// refused with one log line naming the file, and nothing on the disk changes.
TEST(AtomicWrite, RefusesWhatIsNotARegularFileAndWritesNothing)
{
    TempDir dir;
    fs::create_directory(dir / "d");
    ASSERT_EQ(::mkfifo((dir / "d/fifo").c_str(), 0644), 0);
    int sock = -1;
    ASSERT_TRUE(MakeSocket(dir / "d/sock", sock));
    fs::create_directory(dir / "d/folder");
    fs::create_symlink("fifo", dir / "d/to-fifo");
    fs::create_symlink("sock", dir / "d/to-sock");
    fs::create_symlink("folder", dir / "d/to-folder");
    fs::create_symlink("made.bin", dir / "d/dangling");
    fs::create_symlink("loop-b", dir / "d/loop-a");
    fs::create_symlink("loop-a", dir / "d/loop-b");
    fs::create_symlink("self", dir / "d/self");
    std::vector<std::string> names = {"fifo", "sock",   "folder", "to-fifo", "to-sock",
                                      "to-folder", "dangling", "loop-a", "self"};
    // a device node where this test may make one (root, inside its own folder)
    if (::mknod((dir / "d/null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        fs::create_symlink("null", dir / "d/to-null");
        names.push_back("null");
        names.push_back("to-null");
    }

    for (const std::string& name : names) {
        const std::string path = dir / ("d/" + name);
        const auto before = Snapshot(dir.path);
        {
            LogLines log;
            EXPECT_FALSE(platform::WriteFileAtomic(path, "data", 4)) << name;
            ASSERT_EQ(log.lines.size(), 1u) << name;
            EXPECT_NE(log.lines[0].find(path), std::string::npos) << log.lines[0];
        }
        EXPECT_EQ(Snapshot(dir.path), before) << name;
        {
            LogLines log;
            platform::AtomicFileStream stream;
            EXPECT_FALSE(stream.Open(path)) << name;
            EXPECT_FALSE(stream.IsOpen());
            EXPECT_FALSE(stream.Write("data", 4));
            EXPECT_FALSE(stream.Commit());
            ASSERT_EQ(log.lines.size(), 1u) << name;
            EXPECT_NE(log.lines[0].find(path), std::string::npos) << log.lines[0];
        }
        EXPECT_EQ(Snapshot(dir.path), before) << name;
    }
    ::close(sock);
}

// A recording streams into the temporary file, patches its header at the end,
// and replaces the target only when it commits.
TEST(AtomicFileStream, StreamsSeeksAndReplacesOnlyOnCommit)
{
    TempDir dir;
    const std::string target = dir / "rec.avi";
    Put(target, "old recording");
    {
        platform::AtomicFileStream s;
        ASSERT_TRUE(s.Open(target));
        EXPECT_TRUE(s.IsOpen());
        EXPECT_TRUE(s.Write("HDR0", 4));
        EXPECT_TRUE(s.Write("framedata", 9));
        EXPECT_EQ(s.Position(), 13);
        EXPECT_EQ(s.Seek(0, SEEK_SET), 0);
        EXPECT_TRUE(s.Write("HDR1", 4));
        EXPECT_EQ(s.Seek(0, SEEK_END), 13);
        EXPECT_EQ(s.Seek(-2, SEEK_CUR), 11);
        EXPECT_EQ(s.Seek(-100, SEEK_SET), -1);
        EXPECT_EQ(Get(target), "old recording") << "the old file stays until the commit";
        ASSERT_TRUE(s.Commit());
        EXPECT_FALSE(s.IsOpen());
    }
    EXPECT_EQ(Get(target), "HDR1framedata");
    {
        // dropped without a commit: the old file stays, no temporary file is left
        platform::AtomicFileStream s;
        ASSERT_TRUE(s.Open(target));
        EXPECT_TRUE(s.Write("partial", 7));
    }
    {
        platform::AtomicFileStream s;
        ASSERT_TRUE(s.Open(dir / "new.avi"));
        s.Discard();
        EXPECT_FALSE(s.IsOpen());
        EXPECT_FALSE(s.Commit());
    }
    EXPECT_EQ(Get(target), "HDR1framedata");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

// The kind of the target is checked again right before the rename: what
// appeared at the name while the file was written is not replaced.
TEST(AtomicFileStream, RefusesAtCommitWhatAppearedAtTheTarget)
{
    TempDir dir;
    const std::string target = dir / "Cam0.pos";
    platform::AtomicFileStream s;
    ASSERT_TRUE(s.Open(target));
    ASSERT_TRUE(s.Write("pose", 4));
    ASSERT_EQ(::mkfifo(target.c_str(), 0644), 0);
    LogLines log;
    EXPECT_FALSE(s.Commit());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find(target), std::string::npos) << log.lines[0];
    struct stat st;
    ASSERT_EQ(::lstat(target.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

// The writer's temporary file is named for the test while the object lives.
struct FixedTempNames {
    explicit FixedTempNames(std::vector<std::string> names)
    {
        platform::SetTempNameSource([names](const std::string&, int attempt) {
            return names[std::min(size_t(attempt), names.size() - 1)];
        });
    }
    ~FixedTempNames() { platform::SetTempNameSource(nullptr); }
};

// Whatever waits at the temporary file's name (a link to a file, a hard link to
// one, a dangling link) is neither written through nor replaced: the writer
// takes the next name.
TEST(AtomicWrite, NeverWritesThroughWhatIsPlantedAtItsTemporaryName)
{
    TempDir dir;
    Put(dir / "victim", "keep");
    const std::string planted = dir / "set.bin.planted", second = dir / "set.bin.second";
    const std::function<void()> plants[] = {
        [&] { fs::create_symlink(dir / "victim", planted); },
        [&] { fs::create_hard_link(dir / "victim", planted); },
        [&] { fs::create_symlink(dir / "created", planted); },
    };
    for (size_t i = 0; i < std::size(plants); ++i) {
        Put(dir / "set.bin", "old");
        plants[i]();
        const auto plantedBefore = Snapshot(dir.path)[planted];
        {
            FixedTempNames names({planted, second});
            EXPECT_TRUE(platform::WriteFileAtomic(dir / "set.bin", "new", 3)) << i;
        }
        EXPECT_EQ(Get(dir / "set.bin"), "new") << i;
        EXPECT_EQ(Get(dir / "victim"), "keep") << i;
        EXPECT_FALSE(fs::exists(dir / "created")) << i;
        EXPECT_FALSE(fs::exists(second)) << i;
        EXPECT_EQ(Snapshot(dir.path)[planted], plantedBefore) << i;
        fs::remove(planted);
    }
}

TEST(AtomicWrite, RemovesTemporaryFilesOfDeadProcessesOnly)
{
    TempDir dir;
    // a save killed before its commit leaves its temporary file behind
    const pid_t child = ::fork();
    if (child == 0) {
        platform::AtomicFileStream s;
        const bool written = s.Open(dir / "a.set") && s.Write("stale", 5);
        ::_exit(written ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = -1;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);
    const std::string dead = std::to_string(child), alive = std::to_string(::getpid());
    std::string leftover;
    for (const auto& e : fs::directory_iterator(dir.path))
        leftover = e.path().filename();
    ASSERT_NE(leftover.find("a.set.qmtmp-" + dead + "-"), std::string::npos) << leftover;
    Put(dir / ("a.set.qmtmp-" + alive + "-0badf00d"), "ours, maybe in use");
    Put(dir / "notes.qmtmp-x", "not our pattern");
    Put(dir / "b.set", "user file");

    ASSERT_TRUE(platform::WriteFileAtomic(dir / "c.set", "c", 1));
    EXPECT_FALSE(fs::exists(dir / leftover));
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

// Runs `body` in a forked child and returns what it reports ("" when all went
// well): whatever the child changes about itself (its user, its limits) stays there.
std::string InChild(const std::function<std::string()>& body)
{
    int out[2];
    if (::pipe(out) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        const std::string report = body();
        (void)!::write(out[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(out[1]);
    std::string report;
    char buf[512];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        report.append(buf, size_t(n));
    ::close(out[0]);
    int status = -1;
    ::waitpid(child, &status, 0);
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += " (the child did not end normally)";
    return report;
}

// "" when exactly one line was logged and it names the file and the cause.
std::string OneLineNaming(const std::vector<std::string>& lines, const std::string& path, const std::string& cause)
{
    if (lines.size() != 1)
        return std::to_string(lines.size()) + " log lines";
    if (lines[0].find(path) == std::string::npos || lines[0].find(cause) == std::string::npos)
        return "the line does not name " + path + " and " + cause + ": " + lines[0];
    return {};
}

// A file without any write bit is its owner's protection: nobody replaces it,
// root included. Files with a write bit are replaced as before.
TEST(AtomicWrite, RefusesAFileWithoutAWriteBit)
{
    TempDir dir;
    const struct {
        mode_t mode;
        bool written;
    } cases[] = {{0444, false}, {0400, false}, {0555, false}, {0000, false}, {0644, true}, {0600, true}, {0200, true}};
    for (const auto& c : cases) {
        for (const bool viaLink : {false, true}) {
            const std::string file = dir / "Cam0.pos", path = viaLink ? dir / "link.pos" : file;
            fs::remove(file);
            fs::remove(path);
            Put(file, "old");
            ASSERT_EQ(::chmod(file.c_str(), c.mode), 0);
            if (viaLink)
                fs::create_symlink("Cam0.pos", path);
            const auto before = Snapshot(dir.path);
            LogLines log;
            EXPECT_EQ(platform::WriteFileAtomic(path, "new", 3), c.written) << std::oct << c.mode << " " << path;
            struct stat st;
            ASSERT_EQ(::stat(file.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, c.mode) << std::oct << c.mode;
            if (c.written) {
                EXPECT_EQ(Get(file), "new");
                EXPECT_TRUE(log.lines.empty());
            } else {
                EXPECT_EQ(Snapshot(dir.path), before) << std::oct << c.mode << " " << path;
                EXPECT_EQ(OneLineNaming(log.lines, path, "write-protected"), "") << std::oct << c.mode;
                platform::AtomicFileStream stream;
                EXPECT_FALSE(stream.Open(path));
                EXPECT_EQ(Snapshot(dir.path), before);
            }
        }
    }
}

constexpr uid_t kNobody = 65534;

// A user who may write the folder but not the file (a root-owned 0644 file in a
// folder open to all) does not replace it; a file of the user's own there is saved.
TEST(AtomicWrite, RefusesAFileTheUserMayNotWrite)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to plant another user's file";
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path.c_str(), 0777), 0);
    const std::string theirs = dir / "hostlist.bin", own = dir / "Cam0.pos";
    Put(theirs, "root's");
    ASSERT_EQ(::chmod(theirs.c_str(), 0644), 0);
    const auto before = Snapshot(dir.path);

    const std::string report = InChild([&]() -> std::string {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            return "cannot become an unprivileged user";
        std::string out;
        {
            LogLines log;
            if (platform::WriteFileAtomic(theirs, "mine", 4))
                out += "the file was replaced; ";
            out += OneLineNaming(log.lines, theirs, "may not write");
        }
        if (!platform::WriteFileAtomic(own, "pose", 4))
            out += "the user's own file was not saved; ";
        return out;
    });
    EXPECT_EQ(report, "");
    auto after = Snapshot(dir.path);
    after.erase(own);
    EXPECT_EQ(after, before);
    EXPECT_EQ(Get(own), "pose");
}

// A save by root over a user's file leaves it the user's, with its mode.
TEST(AtomicWrite, ReplacingKeepsOwnerGroupAndMode)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a file to another user";
    TempDir dir;
    const std::string path = dir / "hostlist.bin";
    Put(path, "old");
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(platform::WriteFileAtomic(path, "new", 3));
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(Get(path), "new");
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, gid_t(kNobody));
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// What a program run as root makes in a user's folder (a saved file, folders, a
// new file beside a set, the log) is the folder owner's, so that the user's own
// later runs save and log there as before.
TEST(AtomicWrite, WhatRootMakesInAUsersFolderIsTheUsers)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root";
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path.c_str(), 0711), 0);
    const std::string home = dir / "home";
    ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
    ASSERT_EQ(::chown(home.c_str(), kNobody, kNobody), 0);
    const std::string pose = home + "/Cam0.pos", set = home + "/User/Demo", log = home + "/quillmont.log";

    ASSERT_TRUE(platform::WriteFileAtomic(pose, "root's pose", 11));
    ASSERT_TRUE(platform::CreateDirectories(set));
    ASSERT_TRUE(platform::WriteFileAtomic(set + "/hostlist.bin", "root's set", 10));
    ASSERT_TRUE(platform::WriteNewFile(set + "/hostlist.bin.unsaved", "root's copy", 11));
    platform::SetLogFile(log);
    platform::LogWrite("root's line");
    platform::SetLogFile("quillmont.log");
    for (const std::string& made : {pose, home + "/User", set, set + "/hostlist.bin", set + "/hostlist.bin.unsaved", log}) {
        struct stat st;
        ASSERT_EQ(::lstat(made.c_str(), &st), 0) << made;
        EXPECT_EQ(st.st_uid, kNobody) << made;
        EXPECT_EQ(st.st_gid, gid_t(kNobody)) << made;
    }

    const std::string report = InChild([&]() -> std::string {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            return "cannot become an unprivileged user";
        std::string out;
        LogLines lines;
        for (const std::string& file : {pose, set + "/hostlist.bin", set + "/hostlist.bin.unsaved", set + "/Cam1.pos"})
            if (!platform::WriteFileAtomic(file, "mine", 4))
                out += file + " not saved; ";
        platform::SetLogFile(log);
        platform::LogWrite("the user's line");
        platform::SetLogFile("quillmont.log");
        if (Get(log) != "root's line\nthe user's line\n")
            out += "the log holds: " + Get(log) + "; ";
        for (const std::string& line : lines.lines)
            if (line != "the user's line")
                out += "logged: " + line;
        return out;
    });
    EXPECT_EQ(report, "");
    EXPECT_EQ(Get(pose), "mine");
}

// A file system without the no-replace rename and without hard links (the
// rename and the link stood in for) still takes a new file: written at its name
// directly, never over anything there (a dangling link included), and removed
// again when its write fails. Any other failure of the link is reported.
TEST(WriteNewFile, WithoutNoReplaceRenameOrLinksWritesAtTheNameItself)
{
    struct StandIn {
        explicit StandIn(int linkError)
        {
            platform::SetNewNameSteps([](const std::string&, const std::string&) { return EINVAL; },
                                      [linkError](const std::string&, const std::string&) { return linkError; });
        }
        ~StandIn() { platform::SetNewNameSteps(nullptr, nullptr); }
    };
    auto entries = [](const TempDir& dir) {
        return std::distance(fs::directory_iterator(dir.path), fs::directory_iterator());
    };
    for (const int linkError : {EPERM, ENOTSUP, ENOSYS, EINVAL}) {
        SCOPED_TRACE(std::strerror(linkError));
        StandIn noLinks(linkError);
        TempDir dir;
        const std::string copy = dir / "hostlist.bin.unsaved", next = copy + ".1";
        int error = 0;
        EXPECT_TRUE(platform::WriteNewFile(copy, "the set", 7, &error)) << std::strerror(error);
        EXPECT_EQ(Get(copy), "the set");
        fs::create_symlink("lost", next);
        EXPECT_FALSE(platform::WriteNewFile(next, "more", 4, &error));
        EXPECT_EQ(error, EEXIST);
        EXPECT_TRUE(fs::is_symlink(next));
        EXPECT_FALSE(fs::exists(dir / "lost"));
        EXPECT_EQ(entries(dir), 2);

        // a write that fails (past a file size limit set once the temporary file
        // is written) leaves nothing at the name
        const std::string report = InChild([&]() -> std::string {
            ::signal(SIGXFSZ, SIG_IGN);
            platform::SetNewNameSteps([](const std::string&, const std::string&) { return EINVAL; },
                                      [linkError](const std::string&, const std::string&) {
                                          const rlimit limit{1000, 1000};
                                          ::setrlimit(RLIMIT_FSIZE, &limit);
                                          return linkError;
                                      });
            const std::string big(3000, 'x');
            int err = 0;
            if (platform::WriteNewFile(dir / "big", big.data(), big.size(), &err))
                return "written";
            return err == EFBIG ? "" : std::string("failed with ") + std::strerror(err);
        });
        EXPECT_EQ(report, "");
        EXPECT_EQ(entries(dir), 2);
    }
    StandIn failing(EIO);
    TempDir dir;
    int error = 0;
    EXPECT_FALSE(platform::WriteNewFile(dir / "copy", "x", 1, &error));
    EXPECT_EQ(error, EIO);
    EXPECT_EQ(entries(dir), 0);
}

// Each failure of a save is logged once, with the file's name and its cause:
// creating the temporary file, a write, the rename.
TEST(AtomicWrite, FailuresAreLoggedOnceWithTheirCause)
{
    TempDir dir;
    {
        const std::string path = dir / "missing/Cam0.pos";
        LogLines log;
        EXPECT_FALSE(platform::WriteFileAtomic(path, "pose", 4));
        EXPECT_EQ(OneLineNaming(log.lines, path, std::strerror(ENOENT)), "");
    }
    {
        // a write past the process's file size limit
        const std::string path = dir / "rec.avi";
        Put(path, "old recording");
        const std::string report = InChild([&]() -> std::string {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, 4096};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return "cannot set the limit";
            const std::vector<char> frame(3000, 'f');
            LogLines log;
            platform::AtomicFileStream s;
            if (!s.Open(path))
                return "not opened";
            std::string out;
            if (!s.Write(frame.data(), frame.size()))
                out += "the first write failed; ";
            if (s.Write(frame.data(), frame.size()) || s.Write(frame.data(), frame.size()))
                out += "a write past the limit succeeded; ";
            if (s.Commit())
                out += "committed; ";
            return out + OneLineNaming(log.lines, path, std::strerror(EFBIG));
        });
        EXPECT_EQ(report, "");
        EXPECT_EQ(Get(path), "old recording");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
    }
    {
        // the temporary file is gone when the rename comes
        const std::string path = dir / "rec.avi";
        platform::AtomicFileStream s;
        ASSERT_TRUE(s.Open(path));
        ASSERT_TRUE(s.Write("new", 3));
        for (const auto& e : fs::directory_iterator(dir.path))
            if (e.path().filename().string().find(".qmtmp-") != std::string::npos)
                fs::remove(e.path());
        LogLines log;
        EXPECT_FALSE(s.Commit());
        EXPECT_EQ(OneLineNaming(log.lines, path, std::strerror(ENOENT)), "");
        EXPECT_EQ(Get(path), "old recording");
    }
}

// A name near the file system's limit is saved: the temporary name beside it
// is shortened, at a character boundary; a name past the limit is refused.
TEST(AtomicWrite, LongNamesAreSaved)
{
    TempDir dir;
    std::string accented;
    for (int i = 0; i < 125; ++i)
        accented += "\xc3\xa9";  // é
    for (const std::string& name : {std::string(250, 'a'), std::string(255, 'b'), accented, "x" + accented}) {
        const std::string path = dir / name;
        {
            platform::AtomicFileStream s;
            ASSERT_TRUE(s.Open(path)) << name.size();
            std::string temp;
            for (const auto& e : fs::directory_iterator(dir.path))
                temp = e.path().filename();
            const auto mark = temp.rfind(".qmtmp-");
            ASSERT_NE(mark, std::string::npos) << temp;
            EXPECT_LE(temp.size(), 255u);
            EXPECT_EQ(name.compare(0, mark, temp, 0, mark), 0) << temp;
            EXPECT_TRUE(mark == name.size() || (uint8_t(name[mark]) & 0xc0) != 0x80) << "a character cut in half: " << temp;
        }
        EXPECT_TRUE(platform::WriteFileAtomic(path, "saved", 5)) << name.size();
        EXPECT_EQ(Get(path), "saved");
        fs::remove(path);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 0) << name.size();
    }
    const std::string tooLong = dir / std::string(256, 'c');
    LogLines log;
    EXPECT_FALSE(platform::WriteFileAtomic(tooLong, "x", 1));
    EXPECT_EQ(OneLineNaming(log.lines, tooLong, std::strerror(ENAMETOOLONG)), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 0);
}

} // namespace
