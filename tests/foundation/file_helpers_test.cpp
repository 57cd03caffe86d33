#include "foundation/core/FileBuffer.h"
#include "foundation/core/FileDialog.h"
#include "foundation/core/FileHelpers.h"

#include "image_test_util.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace imgtest;
namespace fs = std::filesystem;

namespace {

TEST(FileBuffer, LoadPadsWithFourZeroBytes)
{
    TempDir dir("files");
    WriteFile(dir / "ten.txt", {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'});
    CFileBuffer fb;
    size_t count = 99;
    const uint8_t* b = fb.Load(dir / "ten.txt", &count);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(std::memcmp(b, "0123456789\0\0\0\0", 14), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(b), "0123456789");
    EXPECT_EQ(fb.GetBuffer(), b);

    WriteFile(dir / "empty.txt", {});
    fs::create_directory(dir / "folder");
    for (const std::string& path : {dir / "empty.txt", dir / "missing.txt", dir / "folder", std::string()}) {
        SCOPED_TRACE(path);
        count = 99;
        EXPECT_EQ(fb.Load(path, &count), nullptr);
        EXPECT_EQ(count, 0u);
    }
    EXPECT_EQ(fb.Load(dir / "ten.txt", nullptr), nullptr);
    fb.Free();
    EXPECT_EQ(fb.GetBuffer(), nullptr);
}

TEST(FileBuffer, SaveTruncatesAndKeepsTheOldFileOnFailure)
{
    TempDir dir("files");
    const std::string path = dir / "s.lua";
    WriteFile(path, std::vector<uint8_t>(100, 'x'));
    CFileBuffer fb;
    EXPECT_EQ(fb.Save(path, "hello", 5), 5);
    EXPECT_EQ(ReadFile(path), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
    // an empty text empties the file
    EXPECT_EQ(fb.Save(path, "", 0), 0);
    EXPECT_EQ(fs::file_size(path), 0u);

    EXPECT_EQ(fb.Save("", "a", 1), -1);
    EXPECT_EQ(fb.Save(path, nullptr, 3), -1);
    EXPECT_EQ(fb.Save(path, "a", -1), -1);
    EXPECT_EQ(fb.Save(dir / "no/folder.lua", "a", 1), -1);
    // a target that cannot be replaced stays as it was
    fs::create_directory(dir / "busy");
    WriteFile(dir / "busy/inner.txt", {'k'});
    EXPECT_EQ(fb.Save(dir / "busy", "abc", 3), -1);
    EXPECT_EQ(ReadFile(dir / "busy/inner.txt"), (std::vector<uint8_t>{'k'}));
    // no temporary file is left behind
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), {}), 2);
}

TEST(FileBuffer, HasChangedFollowsTheModificationTime)
{
    TempDir dir("files");
    const std::string path = dir / "w.lua";
    WriteFile(path, {'a'});
    CFileBuffer fb;
    EXPECT_FALSE(fb.HasChanged(path));  // new path
    EXPECT_FALSE(fb.HasChanged(path));
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_TRUE(fb.HasChanged(path));
    EXPECT_FALSE(fb.HasChanged(path));
    fs::remove(path);
    EXPECT_TRUE(fb.HasChanged(path));  // gone: reported once
    EXPECT_FALSE(fb.HasChanged(path));
    EXPECT_FALSE(fb.HasChanged(dir / "other.lua"));
}

TEST(FileHelpers, FindFilesListsSortedFoldersLongerThanTwo)
{
    TempDir dir("files");
    for (const char* d : {"Yard", "A1", "Main", "zz9"})
        fs::create_directory(dir / d);
    WriteFile(dir / "notes.txt", {'n'});
    StringList list = {"kept"};
    EXPECT_EQ(FindFiles(dir.path, list), 3);
    EXPECT_EQ(list, (StringList{"kept", "Main", "Yard", "zz9"}));
    EXPECT_EQ(FindFiles(dir / "missing", list), 0);
}

TEST(FileHelpers, ImageFileSearches)
{
    TempDir dir("files");
    for (const char* f : {"b.jpg", "a.bmp", "A.BMP", "c.gif", "a.bmp.txt", "notes.txt"})
        WriteFile(dir / f, {'x'});
    StringList list = {"first"};
    EXPECT_EQ(FindImageFiles(dir.path, list), 5);
    EXPECT_EQ(list, (StringList{"first", "a.bmp", "a.bmp.txt", "b.jpg", "c.gif"}));
    EXPECT_EQ(FindImageFiles(dir / "missing", list), 5);
    EXPECT_EQ(FindImageFiles(dir / "notes.txt", list), 0);  // not a folder

    std::string name;
    EXPECT_EQ(FindImageByIndex(dir.path, name, 2), 2);
    EXPECT_EQ(name, "b.jpg");
    EXPECT_EQ(FindImageByIndex(dir.path, name, 3), -1);  // ".gif" does not count here
    EXPECT_EQ(CountMatchingFiles(dir.path, ".txt"), 2);
    EXPECT_EQ(CountMatchingFiles(dir / "notes.txt", ".txt"), 0);
}

TEST(FileHelpers, ResolveFileLooksInTheExecutablesSubfolder)
{
    const std::string sub = "qm-resolve-" + std::to_string(::getpid());
    const std::string folder = GetExeDir() + "/" + sub;
    fs::create_directories(folder);
    WriteFile(folder + "/Tex.bmp", {1, 2, 3, 4, 5, 6, 7});
    std::string path = "C:\\textures\\Tex.bmp";
    EXPECT_EQ(ResolveFile(path, sub), 7u);
    EXPECT_EQ(path, folder + "/Tex.bmp");
    std::string missing = "Nope.bmp";
    EXPECT_EQ(ResolveFile(missing, sub), 0u);
    EXPECT_EQ(missing, folder + "/Nope.bmp");
    EXPECT_EQ(ResolveInExeDir("Tex.bmp", sub), folder + "/Tex.bmp");
    EXPECT_EQ(GetFileLength(folder + "/Tex.bmp"), 7u);
    EXPECT_EQ(GetFileLength(folder + "/none"), 0u);
    // an existing path stays
    std::string existing = folder + "/Tex.bmp";
    EXPECT_EQ(ResolveFile(existing, "elsewhere"), 7u);
    EXPECT_EQ(existing, folder + "/Tex.bmp");
    fs::remove_all(folder);
}

TEST(FileHelpers, PathPieces)
{
    struct Case {
        const char* path;
        const char *drive, *folder, *name, *ext;
    } cases[] = {
        {"C:\\a\\b\\file.tar.gz", "C:", "\\a\\b\\", "file.tar", ".gz"},
        {"Map//Splash.bmp", "", "Map//", "Splash", ".bmp"},
        {"/abs/dir/", "", "/abs/dir/", "", ""},
        {"name", "", "", "name", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string d, f, n, e;
        SplitPath(c.path, &d, &f, &n, &e);
        EXPECT_EQ(d, c.drive);
        EXPECT_EQ(f, c.folder);
        EXPECT_EQ(n, c.name);
        EXPECT_EQ(e, c.ext);
    }
    EXPECT_EQ(GetFolderOf("a/b\\c.txt"), "a/b");
    EXPECT_EQ(GetFolderOf("c.txt"), "");
    std::string p = "x/y/z.lua";
    EXPECT_EQ(GetFileNameOf(p), "z.lua");
    EXPECT_EQ(p, "z.lua");
    EXPECT_TRUE(GetFileTitleOf(p));
    EXPECT_EQ(p, "z");
}

TEST(FileHelpers, Orderings)
{
    EXPECT_TRUE(LessNoCase("abc", "ABD"));
    EXPECT_FALSE(LessNoCase("ABD", "abc"));
    EXPECT_TRUE(LessNoCase("ab", "abc"));
    EXPECT_FALSE(LessNoCase("abc", "ab"));
    EXPECT_TRUE(LessNumeric("9", "10"));
    EXPECT_FALSE(LessNumeric("10 b", "10 a"));
    StringList numbers = {"10 b", "9", "10 a", "x"};
    SortStringList(numbers, false);  // stable: equal numbers keep their order
    EXPECT_EQ(numbers, (StringList{"x", "9", "10 b", "10 a"}));
    StringList names = {"beta", "Alpha", "alp", "Beta"};
    SortStringList(names, true);
    EXPECT_EQ(names, (StringList{"alp", "Alpha", "beta", "Beta"}));
}

TEST(FileHelpers, ShellRunStartsProgramsInTheirFolder)
{
    TempDir dir("files");
    const std::string script = dir / "tool.sh";
    {
        std::ofstream f(script);
        f << "#!/bin/sh\npwd > \"$1\"\necho \"$2\" >> \"$1\"\n";
    }
    ::chmod(script.c_str(), 0755);
    const std::string out = dir / "out.txt";
    ASSERT_TRUE(ShellRun(script, "\"" + out + "\" \"two words\""));
    auto finished = [&] {
        auto b = ReadFile(out);
        return std::string(b.begin(), b.end()).find("two words\n") != std::string::npos;
    };
    for (int i = 0; i < 500 && !finished(); ++i)
        platform::SleepMs(10);
    std::ifstream in(out);
    std::string cwd, arg;
    std::getline(in, cwd);
    std::getline(in, arg);
    EXPECT_EQ(fs::canonical(cwd), fs::canonical(dir.path));
    EXPECT_EQ(arg, "two words");

    EXPECT_FALSE(ShellRun(dir / "missing.sh", ""));
    EXPECT_FALSE(ShellRun("", ""));
    EXPECT_FALSE(RunProgram(""));
    EXPECT_FALSE(RunProgram(dir / "missing-program"));
}

TEST(FileHelpers, ShellDeleteRenameAndDrives)
{
    TempDir dir("files");
    fs::create_directories(dir / "tree/inner");
    WriteFile(dir / "tree/inner/f", {'x'});
    WriteFile(dir / "a", {'a'});
    EXPECT_TRUE(ShellRename(dir / "a", dir / "b"));
    EXPECT_TRUE(fs::exists(dir / "b"));
    EXPECT_FALSE(ShellRename(dir / "a", dir / "c"));
    EXPECT_TRUE(ShellDelete(dir / "tree", true));
    EXPECT_FALSE(fs::exists(dir / "tree"));
    EXPECT_FALSE(ShellDelete(dir / "tree", true));

    const std::string first = ListDrives();
    EXPECT_NE(first.find(" - DRIVE_"), std::string::npos);
    const std::string second = ListDrives();
    EXPECT_EQ(second.substr(0, first.size()), first);  // earlier lines are kept
    EXPECT_GT(second.size(), first.size());
}

TEST(FileHelpers, DialogFilterConversion)
{
    EXPECT_EQ(ConvertFileFilter("Lua script (*.lua)|*.lua|"), "Lua script (*.lua)");
    EXPECT_EQ(ConvertFileFilter("Pictures|*.bmp;*.jpg|All files (*.*)|*.*||"),
              "Pictures (*.bmp *.jpg);;All files (*.*)");
    EXPECT_EQ(ConvertFileFilter(""), "");
}

} // namespace
