#include "platform/Paths.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string ExecutableFolder()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return WorkingFolder();
    std::string exe(buf, size_t(n));
    auto slash = exe.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}

std::string WorkingFolder()
{
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof(buf)))
        return ".";
    return buf;
}

std::string NormalizeSeparators(const std::string& path)
{
    std::string p = path;
    // a drive letter ("C:") has no meaning here
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':')
        p.erase(0, 2);
    std::string out;
    out.reserve(p.size());
    for (char c : p) {
        if (c == '\\')
            c = '/';
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    return out;
}

std::string FileNamePart(const std::string& path)
{
    auto pos = path.find_last_of("/\\:");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string JoinPath(const std::string& folder, const std::string& rel)
{
    if (folder.empty())
        return rel;
    if (folder.back() == '/' || folder.back() == '\\')
        return folder + rel;
    return folder + "/" + rel;
}

static bool PathExists(const std::string& p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

static bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string ResolvePath(const std::string& path)
{
    std::string norm = NormalizeSeparators(path);
    if (norm.empty() || PathExists(norm))
        return norm;
    // walk the components, matching each without regard to case
    std::string current = norm[0] == '/' ? "/" : "";
    size_t start = norm[0] == '/' ? 1 : 0;
    while (start <= norm.size()) {
        size_t end = norm.find('/', start);
        if (end == std::string::npos)
            end = norm.size();
        std::string comp = norm.substr(start, end - start);
        if (!comp.empty()) {
            std::string candidate = current.empty() ? comp : JoinPath(current, comp);
            if (comp != "." && comp != ".." && !PathExists(candidate)) {
                std::string folder = current.empty() ? "." : current;
                for (const auto& e : ListDirectory(folder))
                    if (EqualNoCase(e.name, comp)) {
                        candidate = current.empty() ? e.name : JoinPath(current, e.name);
                        break;
                    }
                if (!PathExists(candidate))
                    return norm;  // nothing matches: keep the path as written
            }
            current = candidate;
        }
        start = end + 1;
    }
    return current.empty() ? norm : current;
}

std::string ResolvePathForWriting(const std::string& path)
{
    const std::string norm = NormalizeSeparators(path);
    const size_t slash = norm.rfind('/');
    if (slash == std::string::npos || PathExists(norm))
        return ResolvePath(norm);
    const std::string folder = slash == 0 ? "/" : ResolvePath(norm.substr(0, slash));
    return JoinPath(folder, norm.substr(slash + 1));
}

std::vector<DirEntry> ListDirectory(const std::string& folder)
{
    std::vector<DirEntry> out;
    DIR* d = opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return out;
    while (dirent* e = readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        DirEntry entry;
        entry.name = e->d_name;
        struct stat st;
        if (::stat(JoinPath(folder.empty() ? "." : folder, entry.name).c_str(), &st) == 0) {
            entry.isDirectory = S_ISDIR(st.st_mode);
            entry.size = uint64_t(st.st_size);
        }
        out.push_back(std::move(entry));
    }
    closedir(d);
    std::sort(out.begin(), out.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return out;
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectories(const std::string& path)
{
    std::string p = NormalizeSeparators(path);
    if (p.empty())
        return false;
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/') {
            std::string part = p.substr(0, i);
            if (!DirectoryExists(part) && ::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    return DirectoryExists(p);
}

int64_t FileModTime(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return int64_t(st.st_mtime);
}

int64_t FileSize(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return int64_t(st.st_size);
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size)
{
    std::string tmp = path + ".tmp-" + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        p += n;
        left -= size_t(n);
    }
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(tmp.c_str());
    return ok;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out)
{
    out.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0)
        out.insert(out.end(), buf, buf + n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

} // namespace platform
