#include "platform/FileRights.h"

#include "platform/Paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string WriteRefusal(const std::string& file, mode_t mode)
{
    if ((mode & 0222) == 0)
        return "a write-protected file";
    if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0)
        return errno == EACCES || errno == EPERM ? std::string("a file this user may not write")
                                                 : std::string("a file that cannot be written (") + std::strerror(errno) + ")";
    return {};
}

void GiveToFolderOwner(int fd, const std::string& path)
{
    if (::geteuid() != 0)
        return;
    struct stat folder, made;
    if (::stat(FolderPart(path).c_str(), &folder) == 0 && ::fstat(fd, &made) == 0 &&
        (made.st_uid != folder.st_uid || made.st_gid != folder.st_gid))
        (void)::fchown(fd, folder.st_uid, folder.st_gid);
}

void GiveFolderToFolderOwner(const std::string& folder)
{
    if (::geteuid() != 0)
        return;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    GiveToFolderOwner(fd, folder);
    ::close(fd);
}

} // namespace platform
