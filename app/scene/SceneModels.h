#pragma once
#include "engine/models/GLmeshObj.h"
#include "foundation/math/Vec3.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CGLmesh;

// The scene's loaded 3DS models in load order. A model's id is its place in the
// list when it was loaded, so after Clear ids start again at 0. Scripts may load
// or clear models while the list is being walked.
class CSceneModels {
public:
    // Reads one model (CGLmeshObj::Load's arguments); returns its mesh count, 0 on failure.
    using Loader = std::function<int(CGLmeshObj& model, const std::string& file, float scale, const CVec3& position,
                                     int id, bool collision, bool bitmap)>;

    CSceneModels();
    ~CSceneModels();
    CSceneModels(const CSceneModels&) = delete;
    CSceneModels& operator=(const CSceneModels&) = delete;

    // Tests read models without GL.
    void SetLoader(Loader loader) { m_loader = std::move(loader); }

    // Loads and appends a model; returns int(size), or 0 when it could not be loaded.
    int Load(const std::string& file, const CVec3& position, float scale, bool bitmap, bool collision);
    // Frees every model, empties the texture list; meshes loaded back to 0.
    void Clear();

    // One pass in load order over the models there at its start. `report` runs for
    // every model whose collision flag is set and may load or clear models: the walk
    // re-reads the list by index and ends after a clear. `draw` runs for every model
    // after its report.
    void Walk(const std::function<void(CGLmeshObj&)>& report, const std::function<void(CGLmeshObj&)>& draw);

    // The first model with this id, or null.
    CGLmeshObj* Find(int id);
    // The first mesh of that name among the models' meshes, or null.
    CGLmesh* FindMesh(const std::string& name);

    int GetCount() const { return int(m_models.size()); }
    CGLmeshObj& Get(int i) { return *m_models[size_t(i)]; }
    int GetMeshesLoaded() const { return m_meshesLoaded; }

private:
    std::vector<std::unique_ptr<CGLmeshObj>> m_models;
    Loader m_loader;
    int m_meshesLoaded = 0;
    unsigned m_clears = 0; // counts Clear calls, so a walk sees one made under it
};
