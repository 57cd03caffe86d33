#pragma once
#include <string>

namespace platform {

// A loaded shared library. Only absolute paths are accepted, so nothing is taken
// from the library search path; the library's own dependencies resolve as usual.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary() { Close(); }
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // False (with Error() set) for a relative path or a library that cannot load.
    bool Open(const std::string& absolutePath);
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }
    // Null when the library is not open or lacks the symbol.
    void* Symbol(const char* name) const;
    const std::string& Error() const { return m_error; }

private:
    void* m_handle = nullptr;
    std::string m_error;
};

} // namespace platform
