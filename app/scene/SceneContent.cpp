// The scene's models: loading and clearing for the scripts, and the per-frame
// pass with the follower and the chase camera.
#include "app/scene/GLscene.h"
#include "app/script/LuaLock.h"
#include "engine/models/GLmesh.h"

int CGLscene::Load3DS(const std::string& file, const CVec3& pos, float scale, bool bitmap, bool subtils)
{
    return m_models.Load(file, pos, scale, bitmap, subtils);
}

void CGLscene::Clear3DS() { m_models.Clear(); }

void CGLscene::SetModelPosRot(int id, const CVec3& pos, const CVec3& rot)
{
    if (CGLmeshObj* model = m_models.Find(id))
        model->SetPosRot(pos, rot);
}

void CGLscene::SetMeshFog(const std::string& name, const CVec3& colour, float level, float density, float start,
                          float end)
{
    if (CGLmesh* mesh = m_models.FindMesh(name))
        mesh->SetFog(colour, level, density, start, end);
}

void CGLscene::RenderModels(CGLcamera* view)
{
    auto report = [this](CGLmeshObj& model) {
        EnterLuaLock();
        m_scripts[1].OnObj(model.GetId(), *model.GetPosition(), *model.GetRotation());
        LeaveLuaLock();
    };
    auto draw = [this, view](CGLmeshObj& model) {
        const int ride = m_trackSets.GetRideCount();
        if (model.GetId() == kFollowedModel && ride > 0) {
            if (m_followSet < 0 || m_followSet >= ride)
                m_followSet = 0;
            if (view->GetIndex() == 2)
                m_follower.ChaseCamera(view, &model);
            CSplineDot& set = m_trackSets.GetSet(m_followSet);
            if (m_follower.Advance(&model, set, set.m_Name.c_str()))
                m_followSet = (m_followSet + 1) % ride;
        }
        model.Render(view, &GetFont(), &m_meshesDrawn, &m_collisions);
    };
    m_models.Walk(report, draw);
    view->GetModelView().LoadToGL(); // a model leaves its own matrix loaded
}
