#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Writes a file so that a failed write or a crash never destroys the old one:
// the bytes go to a temporary file beside the target (created exclusively, never
// through a link), which is synced, renamed over the target, and the folder
// synced. A link at the target that leads to a regular file is followed (the
// file it leads to is replaced, the link kept); a target that is anything else
// than absent or a regular file (a folder, FIFO, socket or device, at the name
// or behind a link, a dangling link, a link loop) is refused with one log line
// naming it, and nothing is written. So is a regular file without any write bit
// (its owner's protection, also against root) or one this process may not write.
// A replaced file's owner, group and permissions go to the new one (the owner and
// group where the process may set them). A new file made as root gets the owner
// and group of its folder. Every failed step (creating the
// temporary file, a write, the sync, the rename) logs one line naming the file
// and the cause.
class AtomicFileStream {
public:
    AtomicFileStream() = default;
    ~AtomicFileStream();                 // discards an uncommitted temporary file
    AtomicFileStream(const AtomicFileStream&) = delete;
    AtomicFileStream& operator=(const AtomicFileStream&) = delete;

    bool Open(const std::string& path);
    bool IsOpen() const;
    // A failed write makes the commit fail.
    bool Write(const void* data, size_t size);
    int64_t Seek(int64_t offset, int whence);  // SEEK_SET/CUR/END; new position or -1
    int64_t Position() const;
    bool Commit();
    void Discard();

private:
    int m_fd = -1;
    bool m_failed = false;
    std::string m_path;    // as the caller named it, for log lines
    std::string m_target;  // what the rename replaces (a link at m_path followed)
    std::string m_temp;
};

// Why a save to `path` would be refused (as AtomicFileStream::Open refuses it,
// without the log line); empty when it may be written.
std::string SaveRefusal(const std::string& path);

// Removes temporary files that saves of processes no longer running left in the
// folder (names exactly as the writer makes them, nothing that merely holds its
// mark); returns how many were removed.
int RemoveStaleTempFiles(const std::string& folder);

// The temporary file's path for a target and an attempt (0, 1, ...; the next one
// is asked for when the name is taken). Null restores the default,
// "<target>.qmtmp-<pid>-<8 hex digits>", the target's name cut short where the
// whole would pass the file system's name limit. For tests that plant files at
// that name.
using TempNameSource = std::function<std::string(const std::string& target, int attempt)>;
void SetTempNameSource(TempNameSource source);

// Writes a file under a name that is not taken: the bytes go to a temporary file
// beside it, which is synced and then given the name without replacing anything
// there (not even a dangling link), so the name holds the whole file or nothing.
// The one exception: on a file system with neither the no-replace rename nor
// hard links, the bytes are written at the name itself, made new (never over
// anything, never through a link) and removed again when a step fails; a crash
// during that write can leave part of the file at the name. False when nothing
// was written; `error` (when given) is then EEXIST when the name is taken.
bool WriteNewFile(const std::string& path, const void* data, size_t size, int* error = nullptr);

// The two ways WriteNewFile gives the name without replacing anything there: the
// no-replace rename and the hard link, each returning 0 or an errno. Null restores
// the system's own. For tests that stand in for a file system that lacks them.
using NewNameStep = std::function<int(const std::string& from, const std::string& to)>;
void SetNewNameSteps(NewNameStep rename, NewNameStep link);

} // namespace platform
