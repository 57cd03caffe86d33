#pragma once
// The textures loaded for model materials, one per picture file, shared by every
// model object and emptied when the models are cleared (render thread).
#include <string>
#include <vector>

class CTextureList {
public:
    CTextureList() = default;
    ~CTextureList() = default;
    CTextureList(const CTextureList&) = delete;
    CTextureList& operator=(const CTextureList&) = delete;

    // The texture of a resolved picture path (the whole path, compared without
    // regard to case), -1 when none is loaded.
    int Find(const std::string& file) const;
    void Add(const std::string& file, int texture);
    // Deletes the GL textures (when a context is current) and empties the list.
    void Clear();
    int GetCount() const { return int(m_entries.size()); }

private:
    struct Entry {
        std::string file;
        int texture;
    };
    std::vector<Entry> m_entries;
};

extern CTextureList g_TextureList;
