#pragma once
// Writing 3DS files through lib3ds from plain records: the model generator and the
// tests' fixtures. Records are linked in the order given (lib3ds's own insert
// functions would sort them by name); what a record leaves out keeps lib3ds's default.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace l3ds::write {

struct Material {
    std::string name;
    std::array<float, 3> ambient{0.2f, 0.2f, 0.2f};
    std::array<float, 3> diffuse{0.8f, 0.8f, 0.8f};
    std::array<float, 3> specular{0.5f, 0.5f, 0.5f};
    float shininess = 0.3f;
    float shinStrength = 0.5f;
    float transparency = 0.0f;
    bool twoSided = false;
    std::string texture;
};

struct Mesh {
    std::string name;
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<unsigned, 3>> faces;
    std::vector<std::string> faceMaterial; // per face, "" for none; may be shorter
    std::vector<std::array<float, 2>> texels; // written when not empty
    std::array<float, 2> tile{0, 0};          // planar mapping, written when not both 0
    uint16_t faceFlags = 0;                   // every face's flags and smoothing group
    uint32_t smoothing = 0;
};

struct Light {
    std::string name;
    std::array<float, 3> position{0, 0, 100};
    std::array<float, 3> color{1, 1, 1};
    bool spot = false;
    std::array<float, 3> target{0, 0, 0};
    float hotspot = 30, falloff = 45;
    float innerRange = 10, outerRange = 100;
};

// Writes the file; false when lib3ds could not make or save it.
bool Write(const std::string& path, const std::vector<Material>& materials, const std::vector<Mesh>& meshes,
           const std::vector<Light>& lights = {});

} // namespace l3ds::write
