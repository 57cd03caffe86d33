#include "app/shell/StaleSaves.h"
#include "platform/AtomicFile.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> TempFiles(const std::string& root)
{
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.path().filename().string().find(".qmtmp-") != std::string::npos)
            out.push_back(fs::relative(e.path(), root).string());
    return out;
}

// Temporary files that a run killed while it saved leaves in every folder the
// program writes are gone after the next start; a running save's file and the
// user's files stay.
TEST(StaleSaves, StartRemovesWhatSavesOfAKilledRunLeft)
{
    WorkFolder work("stale");
    ASSERT_TRUE(work.Ok());
    const char* files[] = {"Terrain/Color.ter", "Camera/Cam0.pos",    "radar/Radar.set",        "Html/HtmlItems.dat",
                           "Lua/luaedit.xml",   "User/Main/hostlist.bin", "User/Yard/hostlist.bin", "shot.bmp"};
    for (const char* f : files)
        work.Write(f, "user data");

    const pid_t child = ::fork();
    if (child == 0) {
        bool ok = true;
        for (const char* f : files) {
            auto* save = new platform::AtomicFileStream;  // dies with the process, uncommitted
            ok = ok && save->Open(f) && save->Write("half", 4);
        }
        ::_exit(ok ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = -1;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(TempFiles(work.Path()).size(), std::size(files));
    const std::string running = "Camera/Cam1.pos.qmtmp-" + std::to_string(::getpid()) + "-00000001";
    work.Write(running, "a save of this run");

    EXPECT_EQ(RemoveStaleSaves(), int(std::size(files)));
    EXPECT_EQ(TempFiles(work.Path()), std::vector<std::string>{running});
    for (const char* f : files)
        EXPECT_EQ(work.Read(f), "user data") << f;
}

// Only names the writer makes are removed: "<name>.qmtmp-<pid>-<8 hex digits>",
// also when a long name was shortened for it. A user's file that merely holds the
// mark, even with the number of a process that is gone, stays.
TEST(StaleSaves, UsersFilesThatLookLikeTemporaryNamesStay)
{
    WorkFolder work("stale");
    ASSERT_TRUE(work.Ok());
    const std::string longName = "User/Main/" + std::string(250, 'n') + ".bin";
    work.Write(longName, "user data");
    const pid_t child = ::fork();
    if (child == 0) {
        auto* save = new platform::AtomicFileStream;  // dies with the process, uncommitted
        auto* other = new platform::AtomicFileStream;
        ::_exit(save->Open(longName) && other->Open("User/Main/hostlist.bin") ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = -1;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(TempFiles(work.Path()).size(), 2u);

    const std::string dead = std::to_string(child);
    const std::string users[] = {
        "notes.qmtmp-" + dead + "-mine.txt",  "notes.qmtmp-" + dead + "-0badf00d.txt", "notes.qmtmp-" + dead + "-0BADF00D",
        "notes.qmtmp-" + dead + "-0badf00",   "notes.qmtmp-" + dead + "-0badf00d0",    "notes.qmtmp-0" + dead + "-0badf00d",
        "notes.qmtmp-+" + dead + "-0badf00d", "notes.qmtmp- " + dead + "-0badf00d",    "notes.qmtmp-" + dead + "-0badf0g0",
        ".qmtmp-" + dead + "-0badf00d",       "notes.qmtmp-" + dead + "--badf00d",     "notes.qmtmp-" + dead + "-",
    };
    for (const std::string& name : users) {
        work.Write("User/Main/" + name, "user's");
        work.Write(name, "user's");
    }

    EXPECT_EQ(RemoveStaleSaves(), 2);
    EXPECT_EQ(TempFiles(work.Path()).size(), 2 * std::size(users));
    for (const std::string& name : users) {
        EXPECT_EQ(work.Read(name), "user's") << name;
        EXPECT_EQ(work.Read("User/Main/" + name), "user's") << name;
    }
    EXPECT_EQ(work.Read(longName), "user data");
}

} // namespace
