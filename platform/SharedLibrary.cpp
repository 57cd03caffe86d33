#include "platform/SharedLibrary.h"

#include <dlfcn.h>

namespace platform {

bool SharedLibrary::Open(const std::string& absolutePath)
{
    Close();
    if (absolutePath.empty() || absolutePath[0] != '/') {
        m_error = "not an absolute path";
        return false;
    }
    m_handle = dlopen(absolutePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char* e = dlerror();
        m_error = e ? e : "cannot load";
        return false;
    }
    m_error.clear();
    return true;
}

void SharedLibrary::Close()
{
    if (m_handle)
        dlclose(m_handle);
    m_handle = nullptr;
}

void* SharedLibrary::Symbol(const char* name) const
{
    if (!m_handle || !name)
        return nullptr;
    return dlsym(m_handle, name);
}

} // namespace platform
