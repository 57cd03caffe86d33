#include "app/scene/SceneModels.h"
#include "engine/models/TextureList.h"
#include "foundation/math/NumberClamp.h"

CSceneModels::CSceneModels()
    : m_loader([](CGLmeshObj& model, const std::string& file, float scale, const CVec3& position, int id,
                  bool collision, bool bitmap) { return model.Load(file, scale, position, id, collision, bitmap); })
{
}

CSceneModels::~CSceneModels() = default;

int CSceneModels::Load(const std::string& file, const CVec3& position, float scale, bool bitmap, bool collision)
{
    auto model = std::make_unique<CGLmeshObj>();
    const int meshes = m_loader(*model, file, scale, position, int(m_models.size()), collision, bitmap);
    if (meshes == 0)
        return 0;
    m_meshesLoaded += meshes;
    const int size = ClampToInt(model->GetSize());
    m_models.push_back(std::move(model));
    return size;
}

void CSceneModels::Clear()
{
    ++m_clears;
    // Moved out first: a model's Clear must not see a half-emptied list.
    std::vector<std::unique_ptr<CGLmeshObj>> models;
    models.swap(m_models);
    for (auto& model : models) {
        model->Clear();
        model.reset();
    }
    g_TextureList.Clear();
    m_meshesLoaded = 0;
}

void CSceneModels::Walk(const std::function<void(CGLmeshObj&)>& report, const std::function<void(CGLmeshObj&)>& draw)
{
    const unsigned clears = m_clears;
    // Models loaded during the pass wait for the next one, so a script that loads
    // from "OnObj" cannot keep the pass going.
    const size_t count = m_models.size();
    for (size_t i = 0; i < count && i < m_models.size(); ++i) {
        if (m_models[i]->GetCollision() && report) {
            report(*m_models[i]);
            if (m_clears != clears)
                return;
        }
        if (draw)
            draw(*m_models[i]);
    }
}

CGLmeshObj* CSceneModels::Find(int id)
{
    for (auto& model : m_models)
        if (model->GetId() == id)
            return model.get();
    return nullptr;
}

CGLmesh* CSceneModels::FindMesh(const std::string& name)
{
    for (auto& model : m_models)
        for (auto& mesh : model->GetMeshes())
            if (mesh->GetRecord() && mesh->GetRecord()->name == name)
                return mesh.get();
    return nullptr;
}
