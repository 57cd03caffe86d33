#include "engine/models/TextureList.h"

#include "engine/gl/GLcontext.h"
#include "platform/GL.h"

#include <strings.h>

CTextureList g_TextureList;

int CTextureList::Find(const std::string& file) const
{
    for (const Entry& e : m_entries)
        if (strcasecmp(e.file.c_str(), file.c_str()) == 0)
            return e.texture;
    return -1;
}

void CTextureList::Add(const std::string& file, int texture) { m_entries.push_back({file, texture}); }

void CTextureList::Clear()
{
    // without a context (the program ending) the driver frees them with it
    if (!m_entries.empty() && GLContextIsCurrent())
        for (const Entry& e : m_entries) {
            GLuint name = GLuint(e.texture);
            glDeleteTextures(1, &name);
        }
    m_entries.clear();
}
