#pragma once
#include <string>
#include <sys/types.h>

namespace platform {

// Why an existing regular file (its mode given) may not be written over; empty
// when it may. A file without any write bit is its owner's protection, also
// against root.
std::string WriteRefusal(const std::string& file, mode_t mode);

// What a process run as root makes in a user's folder stays usable by that
// user: a file just made (its descriptor, at `path`) or a folder just made gets
// the owner and group of the folder it is in. Nothing changes for other users.
void GiveToFolderOwner(int fd, const std::string& path);
void GiveFolderToFolderOwner(const std::string& folder);

} // namespace platform
