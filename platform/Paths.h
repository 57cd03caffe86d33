#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Folder of the running executable, without a trailing separator.
std::string ExecutableFolder();
// Current working folder.
std::string WorkingFolder();

// Turns a path as the program writes it ("Terrain\\Color.ter", "Map//Splash.bmp")
// into a path of this file system: both separators accepted, repeated separators
// folded, a drive letter dropped; where the exact path is missing each component
// is matched without regard to case. A path that matches nothing is returned
// normalised, so it can be created.
std::string ResolvePath(const std::string& path);
// For a file about to be written: its folder resolved as above, its own name as given.
std::string ResolvePathForWriting(const std::string& path);
// Normalises separators only (no file system access).
std::string NormalizeSeparators(const std::string& path);
// The file part of a path written with either separator ("C:\\a\\b.bmp" -> "b.bmp").
std::string FileNamePart(const std::string& path);
// The folder of a path written with '/' ("a/b" -> "a", "/b" -> "/", "b" -> ".").
std::string FolderPart(const std::string& path);
// Joins a folder and a relative path with one separator.
std::string JoinPath(const std::string& folder, const std::string& rel);

struct DirEntry {
    std::string name;
    bool isDirectory = false;
    uint64_t size = 0;
};
// Entries of a folder (no "." or ".."), sorted by name (byte order).
std::vector<DirEntry> ListDirectory(const std::string& folder);

bool FileExists(const std::string& path);
// True when anything is at the name, links not followed (a dangling link or a
// link loop included).
bool NameExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool CreateDirectories(const std::string& path);
// Modification time in seconds since the epoch; 0 when missing.
int64_t FileModTime(const std::string& path);
// Size in bytes; -1 when missing.
int64_t FileSize(const std::string& path);

// Writes the bytes through an AtomicFileStream (see there: the old file survives
// a failed write or a crash, and only an absent or regular file is replaced).
bool WriteFileAtomic(const std::string& path, const void* data, size_t size);

// Default size cap of ReadWholeFile (far above any file the program reads).
constexpr uint64_t kDefaultReadCap = uint64_t(256) << 20;

// Opens a file for reading without ever blocking: only regular files are opened
// (a FIFO, device, folder or socket is refused before it is opened, also behind a
// link, and what was opened must be the file looked at), and one larger than maxSize is
// refused before anything is read. Without `why`, each refusal writes one log
// line naming the file (a missing file is refused silently); with it, nothing is
// logged and the reason is put there for the caller's own line. Returns the
// descriptor or -1.
int OpenRegularFile(const std::string& path, uint64_t maxSize, std::string* why = nullptr);
// Reads a whole file through OpenRegularFile; false when it is refused or cannot
// be read (`why` as there).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxSize = kDefaultReadCap,
                   std::string* why = nullptr);

} // namespace platform
