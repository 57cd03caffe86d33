#pragma once
// A 3DS model placed in the scene: its meshes, materials and lights with the records
// read from the file, its bounding box and placement; drawn with frustum culling and
// level of detail, with camera collision and mouse selection when flagged.
#include "engine/models/GLlight.h"
#include "engine/models/GLmesh.h"
#include "engine/gl/GLtransform.h"
#include "foundation/math/Vec3.h"

#include <list>
#include <memory>
#include <string>
#include <vector>

class CGLview;
class CGLcamera;
class CGLfont;

namespace l3ds {
struct File;
}

struct CGLmaterialData {
    std::string textureFile; // as the model names it; empty without pictures
    std::string name;
    CVec3 ambient, diffuse, specular;
    int index = 0;        // position in the file's material list
    int textureName = -1; // GL texture once loaded
    float shininess = 0;  // lib3ds shin_strength
    float intensity = 0;  // lib3ds shininess
    float alpha = 0;      // lib3ds transparency; above 0 is transparent
    int twoSided = 0;
};

struct CGLmeshData {
    CVec3 boxMax, boxMin, centre;
    std::string name;
    unsigned selectedTime = 0, deselectedTime = 0; // tick counts; selected while the first is not 0
    float size = 0;                                // box diagonal D
    int vertexCount = 0, faceCount = 0;
    int materialIndex = -1; // that of the first face
    std::vector<int> faceIndices;  // 3 per face
    std::vector<float> texCoords;  // 2 per vertex
    std::vector<CVec3> vertices;
    std::vector<CVec3> colours;       // per vertex
    std::vector<CVec3> faceNormals;   // per face
    std::vector<CVec3> vertexNormals; // per vertex
    CGLmaterialData* material = nullptr;
    CVec3 outline[16];
};

struct CGLlightData {
    bool spot = false;
    float cutoff = 0, exponent = 0, attenuation = 0;
    int lightNumber = 0;
    std::string name;
    CVec3 position, target, colour, objectPosition;
};

class CGLmeshObj {
public:
    CGLmeshObj();
    ~CGLmeshObj();
    CGLmeshObj(const CGLmeshObj&) = delete;
    CGLmeshObj& operator=(const CGLmeshObj&) = delete;

    // Reads the file and makes the GL meshes and lights; the number of meshes, 0 on
    // failure (nothing is kept then and no light stays on).
    int Load(const std::string& path, float scale, const CVec3& position, int id, bool collision, bool pictures);
    // The reading half of Load: records, box, centre and size without any GL object.
    int LoadRecords(const std::string& path, float scale, const CVec3& position, int id, bool collision,
                    bool pictures);
    void Render(CGLcamera* view, CGLfont* font, int* drawnMeshes, int* collisions);
    // Frees everything loaded, switches the lights off and empties g_TextureList.
    void Clear();

    void SetPosRot(const CVec3& position, const CVec3& rotation);
    void SetPosition(const CVec3& p) { m_position = p; }
    void SetRotation(const CVec3& r) { m_rotation = r; }
    void SetCentre(const CVec3& c) { m_centre = c; }
    CVec3* GetPosition() { return &m_position; }
    CVec3* GetRotation() { return &m_rotation; }
    const CVec3& GetCentre() const { return m_centre; }
    const CVec3& GetBoxMin() const { return m_boxMin; }
    const CVec3& GetBoxMax() const { return m_boxMax; }
    const std::string& GetName() const { return m_name; }
    const std::string& GetPath() const { return m_path; }
    CVec3 GetWorldCentre() const { return m_position + m_centre; }
    float GetSize() const { return m_size; }
    int GetMeshCount() const { return m_meshCount; }
    int GetId() const { return m_id; }
    int GetCollision() const { return m_collision; }
    CGLtransform& GetTransform() { return m_transform; }

    const std::vector<std::unique_ptr<CGLmeshData>>& GetMeshRecords() const { return m_meshRecords; }
    const std::vector<std::unique_ptr<CGLmaterialData>>& GetMaterialRecords() const { return m_materialRecords; }
    const std::vector<std::unique_ptr<CGLlightData>>& GetLightRecords() const { return m_lightRecords; }
    const std::list<std::unique_ptr<CGLmesh>>& GetMeshes() const { return m_meshes; }
    const std::vector<std::unique_ptr<CGLlight>>& GetLights() const { return m_lights; }

    // The order the meshes are drawn in: opaque ones at the front (each put before the
    // ones made earlier), transparent ones (material alpha above 0) at the back.
    static std::vector<int> DrawOrder(const std::vector<std::unique_ptr<CGLmeshData>>& records);
    // A click on a mesh: selects it, or deselects it, each at most once per 150 ms.
    static void ToggleSelection(CGLmeshData& record, unsigned now);
    static void ComputeBoxOutline(CGLmeshData* record);
    // The record under the cursor (inside its box and within 2000 of its centre), or null.
    CGLmeshData* PickMesh(CGLview* view, CGLmeshData* record);

    // I/O callbacks over a standard file stream.
    static long IoSeek(void* file, long offset, int origin);
    static long IoTell(void* file);
    static size_t IoRead(void* file, void* buffer, size_t size);
    static size_t IoWrite(void* file, const void* buffer, size_t size);

private:
    void LoadLights(const l3ds::File& file, float scale, const CVec3& position);
    void LoadMaterials(const l3ds::File& file, bool pictures);
    void LoadMeshes(const l3ds::File& file, float scale, bool pictures);
    void CreateLights();
    void CreateMeshes(bool pictures);
    void FreeMeshRecord(std::unique_ptr<CGLmeshData>& record);
    void FreeMaterialRecord(std::unique_ptr<CGLmaterialData>& record);
    // Frees what this model loaded and switches its lights off (the texture list stays).
    void FreeLoaded();

    CGLtransform m_transform;
    std::list<std::unique_ptr<CGLmesh>> m_meshes;
    std::vector<std::unique_ptr<CGLlight>> m_lights;
    std::vector<std::unique_ptr<CGLmaterialData>> m_materialRecords;
    std::vector<std::unique_ptr<CGLmeshData>> m_meshRecords;
    std::vector<std::unique_ptr<CGLlightData>> m_lightRecords;
    std::string m_path;
    CVec3 m_boxMax, m_boxMin;
    CVec3 m_position, m_rotation, m_centre;
    std::string m_name;
    int m_id = 0;
    int m_collision = 0;
    float m_size = 0;
    int m_meshCount = 0;
};
