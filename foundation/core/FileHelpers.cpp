#include "foundation/core/FileHelpers.h"

#include "platform/Paths.h"
#include "platform/Profile.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStorageInfo>
#include <QUrl>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string Resolved(const std::string& path) { return platform::ResolvePath(path); }

struct PathParts {
    std::string drive, folder, name, extension;
};

PathParts Split(const std::string& path)
{
    PathParts p;
    std::string rest = path;
    if (rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) && rest[1] == ':') {
        p.drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    size_t slash = std::string::npos;
    for (size_t i = 0; i < rest.size(); ++i)
        if (IsSeparator(rest[i]))
            slash = i;
    std::string file = rest;
    if (slash != std::string::npos) {
        p.folder = rest.substr(0, slash + 1);
        file = rest.substr(slash + 1);
    }
    const size_t dot = file.find_last_of('.');
    if (dot == std::string::npos) {
        p.name = file;
    } else {
        p.name = file.substr(0, dot);
        p.extension = file.substr(dot);
    }
    return p;
}

bool IsDirectoryOrUnknown(const std::string& folder)
{
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0)
        return true;  // attributes unknown: searched, and nothing is found
    return S_ISDIR(st.st_mode);
}

bool Contains(const std::string& s, const char* text) { return s.find(text) != std::string::npos; }

bool IsImageName(const std::string& name, bool withGif)
{
    return Contains(name, ".bmp") || Contains(name, ".jpg") || (withGif && Contains(name, ".gif"));
}

bool StartDetached(const std::string& program, const QStringList& args, const std::string& workingFolder)
{
    return QProcess::startDetached(QString::fromStdString(program), args, QString::fromStdString(workingFolder));
}

bool IsUrl(const std::string& s) { return s.find("://") != std::string::npos || s.rfind("mailto:", 0) == 0; }

bool OpenWithDesktop(const QUrl& url)
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QDesktopServices::openUrl(url);
    return QProcess::startDetached("xdg-open", {url.toString()});
}

} // namespace

std::string GetExeDir() { return platform::ExecutableFolder(); }

std::string GetTempDir()
{
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? std::string(dir) : std::string("/tmp");
}

std::string GetCurrentDir() { return platform::WorkingFolder(); }

std::string GetFolderOf(const std::string& path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1]))
            return path.substr(0, i - 1);
    return std::string();
}

void SplitPath(const std::string& path, std::string* drive, std::string* folder, std::string* name,
               std::string* extension)
{
    const PathParts p = Split(path);
    if (drive)
        *drive = p.drive;
    if (folder)
        *folder = p.folder;
    if (name)
        *name = p.name;
    if (extension)
        *extension = p.extension;
}

std::string GetFileNameOf(std::string& path)
{
    const PathParts p = Split(path);
    path = p.name + p.extension;
    return path;
}

bool GetFileTitleOf(std::string& path)
{
    path = Split(path).name;
    return true;
}

uint32_t GetFileLength(const std::string& path)
{
    if (path.empty())
        return 0;
    const int64_t size = platform::FileSize(Resolved(path));
    return size < 0 ? 0u : uint32_t(uint64_t(size));
}

uint32_t ResolveFile(std::string& path, const std::string& subfolder)
{
    if (!path.empty() && platform::FileExists(Resolved(path)))
        return GetFileLength(path);
    const PathParts p = Split(path);
    std::string folder = GetExeDir();
    if (!subfolder.empty())
        folder = platform::JoinPath(folder, subfolder);
    path = platform::JoinPath(folder, p.name + p.extension);
    return GetFileLength(path);
}

std::string ResolveInExeDir(const std::string& path, const std::string& subfolder)
{
    if (GetFileLength(path) != 0)
        return path;
    const PathParts p = Split(path);
    return GetExeDir() + "/" + subfolder + "/" + p.name + p.extension;
}

int FindFiles(const std::string& folder, StringList& list)
{
    int added = 0;
    for (const auto& e : platform::ListDirectory(Resolved(folder))) {
        if (e.name.size() > 2 && e.isDirectory) {
            list.push_back(e.name);
            ++added;
        }
    }
    return added;
}

int FindImageFiles(const std::string& folder, StringList& list)
{
    const std::string f = Resolved(folder);
    if (!IsDirectoryOrUnknown(f))
        return 0;
    for (const auto& e : platform::ListDirectory(f))
        if (IsImageName(e.name, true))
            list.push_back(e.name);
    return int(list.size());
}

int FindImageByIndex(const std::string& folder, std::string& name, int index)
{
    const std::string f = Resolved(folder);
    if (index < 0 || !IsDirectoryOrUnknown(f))
        return -1;
    int i = 0;
    for (const auto& e : platform::ListDirectory(f)) {
        if (!IsImageName(e.name, false))
            continue;
        if (i == index) {
            name = e.name;
            return index;
        }
        ++i;
    }
    return -1;
}

int CountMatchingFiles(const std::string& folder, const std::string& text)
{
    const std::string f = Resolved(folder);
    if (!platform::DirectoryExists(f))
        return 0;
    int n = 0;
    for (const auto& e : platform::ListDirectory(f))
        n += Contains(e.name, text.c_str()) ? 1 : 0;
    return n;
}

bool LessNumeric(const std::string& a, const std::string& b) { return std::atol(a.c_str()) < std::atol(b.c_str()); }

bool LessNoCase(const std::string& a, const std::string& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

void SortStringList(StringList& list, bool noCase)
{
    std::stable_sort(list.begin(), list.end(), noCase ? LessNoCase : LessNumeric);
}

bool ShellRun(const std::string& file, const std::string& parameters)
{
    if (file.empty())
        return false;
    if (IsUrl(file))
        return OpenWithDesktop(QUrl(QString::fromStdString(file)));
    const std::string path = Resolved(file);
    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists())
        return false;
    if (info.isFile() && info.isExecutable())
        return StartDetached(info.absoluteFilePath().toStdString(),
                             QProcess::splitCommand(QString::fromStdString(parameters)),
                             info.absolutePath().toStdString());
    return OpenWithDesktop(QUrl::fromLocalFile(info.absoluteFilePath()));
}

bool RunProgram(const std::string& commandLine)
{
    QStringList parts = QProcess::splitCommand(QString::fromStdString(commandLine));
    if (parts.isEmpty())
        return false;
    const QString program = parts.takeFirst();
    return QProcess::startDetached(program, parts);
}

bool RunTool(const std::string& file, const std::string& subfolder, const std::string& parameterFile)
{
    std::string working = GetExeDir() + "/" + subfolder;
    if (GetFileLength(working + "/" + file) == 0)
        working = platform::profile::GetString("Settings", "ExPath", "");
    const std::string program = platform::JoinPath(working, file);
    const QFileInfo info(QString::fromStdString(program));
    if (!info.isFile())
        return false;
    const QStringList args = {QString::fromStdString(GetExeDir() + "/" + parameterFile)};
    if (info.isExecutable())
        return StartDetached(info.absoluteFilePath().toStdString(), args, working);
    return OpenWithDesktop(QUrl::fromLocalFile(info.absoluteFilePath()));
}

bool ShellDelete(const std::string& path, bool permanent)
{
    const std::string p = Resolved(path);
    std::error_code ec;
    if (!std::filesystem::exists(p, ec))
        return false;
    if (permanent)
        return std::filesystem::remove_all(p, ec) > 0 && !ec;
    return QFile::moveToTrash(QString::fromStdString(p));
}

bool ShellRename(const std::string& oldPath, const std::string& newPath)
{
    std::error_code ec;
    std::filesystem::rename(Resolved(oldPath), platform::NormalizeSeparators(newPath), ec);
    return !ec;
}

std::string ListDrives()
{
    static std::mutex mutex;
    static std::string text;
    std::lock_guard lock(mutex);
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady())
            continue;
        const QString fs = QString::fromLatin1(v.fileSystemType()).toLower();
        const std::string device = v.device().toStdString();
        const char* kind;
        bool removable = false;
        if (fs.startsWith("nfs") || fs == "cifs" || fs == "smb3" || fs.startsWith("fuse.sshfs"))
            kind = "DRIVE_REMOTE (NET)";
        else if (fs == "iso9660" || fs == "udf")
            kind = "DRIVE_CDROM (Optical)";
        else if (device.rfind("/dev/", 0) == 0) {
            const std::string dev = device.substr(5);
            std::string base = dev;
            while (!base.empty() && std::isdigit(static_cast<unsigned char>(base.back())))
                base.pop_back();
            char flag = '0';
            if (FILE* f = std::fopen(("/sys/block/" + base + "/removable").c_str(), "r")) {
                flag = char(std::fgetc(f));
                std::fclose(f);
            }
            removable = flag == '1';
            kind = removable ? "DRIVE_REMOVABLE (USB)" : "DRIVE_FIXED (HD)";
        } else if (fs == "overlay" || fs == "btrfs" || fs == "xfs" || fs == "zfs" || fs.startsWith("ext")) {
            kind = "DRIVE_FIXED (HD)";
        } else {
            continue;  // memory and pseudo file systems
        }
        const double mb = 1048576.0;
        char line[1024];
        const std::string root = v.rootPath().toStdString();
        const std::string name = v.name().toStdString();
        const unsigned id = unsigned(qHash(v.device()));
        if (removable)
            std::snprintf(line, sizeof(line), "%s - %s FS(%s) Name(%s) ID(%d) Free(%0.3f) Total(%0.3f) TotalFree(%0.3f)\n",
                          root.c_str(), kind, fs.toStdString().c_str(), name.c_str(), int(id),
                          double(v.bytesAvailable()) / mb, double(v.bytesTotal()) / mb, double(v.bytesFree()) / mb);
        else
            std::snprintf(line, sizeof(line), "%s - %s FS(%s) Name(%s) ID(%d) Total(%0.3f) TotalFree(%0.3f)\n",
                          root.c_str(), kind, fs.toStdString().c_str(), name.c_str(), int(id),
                          double(v.bytesTotal()) / mb, double(v.bytesFree()) / mb);
        text += line;
    }
    return text;
}
