#include "foundation/core/FileBuffer.h"

#include "platform/Paths.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr uint64_t kMaxTextFile = uint64_t(64) << 20;

bool Query(const std::string& path, CFileBuffer::Attributes& a)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    a.valid = true;
    a.size = uint64_t(st.st_size);
    a.modified = int64_t(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return true;
}

} // namespace

uint8_t* CFileBuffer::Load(const std::string& path, size_t* count)
{
    if (!count)
        return nullptr;
    *count = 0;
    const std::string file = platform::ResolvePath(path);
    std::vector<uint8_t> bytes;
    // regular files only, never blocking; a script text is far below the cap
    if (file.empty() || !platform::ReadWholeFile(file, bytes, kMaxTextFile) || bytes.empty())
        return nullptr;
    const size_t got = bytes.size();
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[got + 4]());
    if (!buffer)
        return nullptr;
    std::memcpy(buffer.get(), bytes.data(), got);
    m_buffer = std::move(buffer);
    *count = got;
    return m_buffer.get();
}

long CFileBuffer::Save(const std::string& path, const void* bytes, long count, bool exactName)
{
    if (path.empty() || count < 0 || (count > 0 && !bytes))
        return -1;
    const std::string target = exactName ? platform::ResolvePathForWriting(path) : platform::ResolvePath(path);
    if (!platform::WriteFileAtomic(target, bytes, size_t(count)))
        return -1;
    return count;
}

bool CFileBuffer::HasChanged(const std::string& path)
{
    if (!m_path.empty() && m_path == path) {
        Attributes now;
        if (Query(platform::ResolvePath(path), now)) {
            m_attributes = now;
            if (now.modified == m_lastWrite)
                return false;
            m_lastWrite = now.modified;
            return true;
        }
        // the file is gone: report it once
        if (m_lastWrite == 0)
            return false;
        m_lastWrite = 0;
        return true;
    }
    // a new path: remember it with its current time, so only later writes count
    m_attributes = Attributes();
    m_lastWrite = 0;
    m_path = path;
    if (Query(platform::ResolvePath(path), m_attributes))
        m_lastWrite = m_attributes.modified;
    return false;
}

void CFileBuffer::Free() { m_buffer.reset(); }
