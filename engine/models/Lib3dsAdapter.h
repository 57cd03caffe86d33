#pragma once
// Reading 3DS files into plain records through lib3ds.
//
// The installed lib3ds keeps its meshes, materials and lights in name order, keys face
// materials by name, trusts every index and count in the file and leaks or overruns on
// some malformed input. The adapter therefore checks the chunk tree itself first, hands
// lib3ds a checked copy holding only the chunks the model loader reads, and presents the
// result as records in file order: face materials as indices (-1 for none or unknown),
// texture coordinates for every vertex ((0, 0) beyond the file's texel count).
#include <lib3ds/io.h> // LIB3DS_SEEK_SET, LIB3DS_SEEK_CUR, LIB3DS_SEEK_END

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace l3ds {

// The caller's I/O record: callbacks over its own stream (`self`).
struct Io {
    void* impl = nullptr;
    void* self = nullptr;
    long (*seek_func)(void* self, long offset, int origin) = nullptr;
    long (*tell_func)(void* self) = nullptr;
    size_t (*read_func)(void* self, void* buffer, size_t size) = nullptr;
    size_t (*write_func)(void* self, const void* buffer, size_t size) = nullptr;
    // True when the stream has failed (optional).
    bool (*error_func)(void* self) = nullptr;
    void (*log_func)(void* self, int level, int indent, const char* message) = nullptr;
};

struct Face {
    unsigned short index[3] = {0, 0, 0};
    int material = -1; // index into File::materials, -1 for none
};

struct Mesh {
    std::string name;
    std::vector<std::array<float, 3>> vertices;
    // Empty when the file has no texture coordinates, else one per vertex.
    std::vector<std::array<float, 2>> texcos;
    std::vector<Face> faces;
    float map_tile[2] = {0, 0};

    int nvertices() const { return int(vertices.size()); }
    int nfaces() const { return int(faces.size()); }
};

struct TextureMap {
    std::string name;
};

struct Material {
    std::string name;
    float ambient[3] = {0, 0, 0};
    float diffuse[3] = {0, 0, 0};
    float specular[3] = {0, 0, 0};
    float shininess = 0;
    float shin_strength = 0;
    float transparency = 0;
    bool two_sided = false;
    TextureMap texture1_map;
};

struct Light {
    std::string name;
    bool spot_light = false;
    bool off = false;
    float color[3] = {0, 0, 0};
    float position[3] = {0, 0, 0};
    float target[3] = {0, 0, 0};
    float inner_range = 0;
    float outer_range = 0;
    float multiplier = 0;
    float hotspot = 0;
    float falloff = 0;
};

struct File {
    std::vector<Material> materials;
    std::vector<Mesh> meshes;
    std::vector<Light> lights;
};

// null when out of memory
File* FileNew();
void FileFree(File* file);
// Reads the whole stream from its current position; false (with one log line naming the
// fault) when it is not a readable 3DS file. The file is left empty on failure.
bool FileRead(File* file, Io* io);
// The same over bytes in memory.
bool FileReadMemory(File* file, const uint8_t* data, size_t size);
// Box of the mesh's vertices; an empty mesh gives min = FLT_MAX, max = -FLT_MAX.
void MeshBoundingBox(const Mesh& mesh, float bmin[3], float bmax[3]);

// --- the checking pass, exposed for tests and the fuzz target ---

enum class ReadResult { Ok, Rejected, LibraryFailed };
struct CheckedCopy {
    std::vector<uint8_t> bytes;              // the stream lib3ds reads
    std::vector<std::string> materialOrder;  // names in file order
    std::vector<std::string> meshOrder;
    std::vector<std::string> lightOrder;
    int droppedFaces = 0;                    // faces with an index out of range
};
// Checks the chunk tree and builds the copy; false with the fault in `why`. The
// lines for dropped faces name the file when fileName is given.
bool CheckChunks(const uint8_t* data, size_t size, CheckedCopy& out, std::string* why,
                 const std::string& fileName = {});
// FileReadMemory with the outcome told apart: LibraryFailed means lib3ds refused a copy
// the check accepted (a gap in the check; never expected).
ReadResult ReadBytes(File& file, const uint8_t* data, size_t size, std::string* why,
                     const std::string& fileName = {});

// Largest stream the reader accepts.
constexpr size_t kMaxFileSize = size_t(256) << 20;
// Most materials, and most meshes and lights together, one file may hold (real
// models have tens to a few hundred).
constexpr size_t kMaxRecords = 8192;
// Vertex coordinates beyond this are taken as damage.
constexpr float kMaxCoordinate = 1.0e8f;

} // namespace l3ds
