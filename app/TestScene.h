#pragma once
#include "engine/gl/GLcamera.h"
#include "engine/terrain/GLflare.h"
#include "engine/gl/GLfont.h"
#include "engine/terrain/GLterrain.h"
#include "engine/models/GLmeshObj.h"
#include "engine/gl/GLvbo.h"
#include "tracks/SplineCamFollow.h"
#include "tracks/SplineDot.h"
#include "tracks/TrackFollower.h"

#include <memory>
#include <vector>

// A small scene for the render thread until the full scene arrives: a grid on
// the ground plane z = 0, axes and a few boxes, seen through a free camera that
// flies from g_InputState, with a status line. Create, RenderFrame and Free run
// on the render thread with the GL context current; more content hooks in as
// further Draw* steps of RenderFrame.
class CTestScene {
public:
    CTestScene() = default;
    ~CTestScene() = default;
    CTestScene(const CTestScene&) = delete;
    CTestScene& operator=(const CTestScene&) = delete;

    bool Create();
    // The program's window shows the terrain, its radar and the flare (in the data
    // folder, where the terrain's shaders are); tests keep the flat grid.
    void EnableTerrain(bool on) { m_terrainEnabled = on; }
    // The window's client size; sizes below 1 are ignored.
    void Resize(int width, int height);
    // One frame: camera from the input, the world, the overlay. The caller swaps.
    void RenderFrame();
    // Releases the GL objects.
    void Free();

    // The view drawn: 0 the free camera, 1 the track camera, 2 the chase camera
    // behind the model with id 4.
    CGLcamera& GetCamera() { return *m_view; }
    void SetView(int index);
    int GetView() const { return m_viewIndex; }
    int GetTrackSetCount() const { return int(m_trackSets.size()); }
    CSplineDot* GetTrackSet(int i) { return m_trackSets[size_t(i)].get(); }
    int GetTracksDrawn() const { return m_tracksDrawn; }
    // The loaded model with this id, or null.
    CGLmeshObj* FindModel(int id);
    int GetBoxesDrawn() const { return m_boxesDrawn; }
    int GetModelCount() const { return int(m_models.size()); }
    int GetMeshesDrawn() const { return m_meshesDrawn; }

private:
    struct Box {
        CVec3 min, max;
        int firstIndex = 0;
    };
    void AddBox(const CVec3& min, const CVec3& max, const CVec3& colour);
    void DrawGrid() const;
    void DrawAxes() const;
    void DrawBoxes();
    // The generated 3DS models (data folder "Models"); the fifth is the locomotive.
    void LoadModels();
    void DrawModels();
    // Every track set under "User"; the follower and the track camera ride them.
    void LoadTrackSets();
    void LayTracksOnTerrain();
    void DrawTracks();
    void MoveView();
    void DrawOverlay();

    CGLcamera m_camera;
    CGLcamera m_trackView;
    CGLcamera m_chaseView;
    CGLcamera* m_view = &m_camera;
    int m_viewIndex = 0;
    std::vector<std::unique_ptr<CSplineDot>> m_trackSets;
    CTrackFollower m_follower;
    CSplineCamFollow m_trackCam;
    int m_followSet = 0;
    int m_trackCamSet = 0;
    int m_tracksDrawn = 0;
    CGLfont m_font;
    CGLterrain m_terrain;
    CGLflare m_flare;
    bool m_terrainEnabled = false;
    bool m_hasTerrain = false;
    CGLvbo m_boxVbo;
    std::vector<Box> m_boxes;
    std::vector<CVec3> m_vertices, m_normals, m_colours;
    std::vector<unsigned> m_indices;
    std::vector<std::unique_ptr<CGLmeshObj>> m_models;
    int m_boxesDrawn = 0;
    int m_meshesDrawn = 0;
    bool m_created = false;
};
