#pragma once
// 3DS fixtures written by lib3ds itself (engine/Lib3dsWriter.h, records in the order
// given), into a fresh temporary folder.
#include "engine/models/Lib3dsWriter.h"
#include "work_folder.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fixture {

using Material = l3ds::write::Material;
using Mesh = l3ds::write::Mesh;
using Light = l3ds::write::Light;
using l3ds::write::Write;

inline Material Mat(const std::string& name, const std::string& texture = "", float transparency = 0)
{
    Material m;
    m.name = name;
    m.texture = texture;
    m.transparency = transparency;
    return m;
}

// A mesh of n vertices on a line-free grid with triangles (i, i+1, i+2).
inline Mesh Strip(const std::string& name, int vertices, int faces, float x0 = 0, float z0 = 0)
{
    Mesh m;
    m.name = name;
    for (int i = 0; i < vertices; ++i)
        m.points.push_back({x0 + float(i % 10) * 10.0f, float(i / 10) * 10.0f + float(i % 3), z0 + float(i % 2) * 5.0f});
    for (int i = 0; i < faces; ++i)
        m.faces.push_back({unsigned(i % (vertices - 2)), unsigned(i % (vertices - 2) + 1), unsigned(i % (vertices - 2) + 2)});
    return m;
}

// A fresh temporary folder, removed with the object.
class TempDir {
public:
    TempDir() : m_path(NewTempFolder("model")) {}
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace fixture
