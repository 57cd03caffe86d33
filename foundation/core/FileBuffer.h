#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Reads and writes whole files (the script editor's texts).
class CFileBuffer {
public:
    CFileBuffer() = default;
    ~CFileBuffer() = default;
    CFileBuffer(const CFileBuffer&) = delete;
    CFileBuffer& operator=(const CFileBuffer&) = delete;

    // Reads the whole file into a new buffer of size + 4 bytes (the 4 bytes after
    // the text are 0). The object owns the buffer until the next Load or Free.
    // Null for a missing or empty file, a null count or a read failure.
    uint8_t* Load(const std::string& path, size_t* count);
    // Replaces the file with count bytes (0 bytes leave an empty file), through a
    // temporary file renamed over it, so a failed write keeps the old file.
    // Returns the number of bytes written, -1 on failure (empty path, negative
    // count, null bytes, write failure). The path is resolved as every path of
    // the program is (its name matched regardless of case); with exactName only
    // its folder is, and the file gets the name as given.
    long Save(const std::string& path, const void* bytes, long count, bool exactName = false);
    // True when the file at the remembered path has a new modification time (or
    // has gone); a new path is remembered and gives false.
    bool HasChanged(const std::string& path);
    void Free();

    const uint8_t* GetBuffer() const { return m_buffer.get(); }

    struct Attributes {
        bool valid = false;
        uint64_t size = 0;
        int64_t modified = 0;  // nanoseconds since the epoch
    };

private:
    std::unique_ptr<uint8_t[]> m_buffer;
    std::string m_path;
    Attributes m_attributes;
    int64_t m_lastWrite = 0;
};
