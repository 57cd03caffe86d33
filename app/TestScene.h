#pragma once
#include "engine/GLcamera.h"
#include "engine/GLfont.h"
#include "engine/GLmeshObj.h"
#include "engine/GLvbo.h"

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
    // The window's client size; sizes below 1 are ignored.
    void Resize(int width, int height);
    // One frame: camera from the input, the world, the overlay. The caller swaps.
    void RenderFrame();
    // Releases the GL objects.
    void Free();

    CGLcamera& GetCamera() { return m_camera; }
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
    void DrawOverlay();

    CGLcamera m_camera;
    CGLfont m_font;
    CGLvbo m_boxVbo;
    std::vector<Box> m_boxes;
    std::vector<CVec3> m_vertices, m_normals, m_colours;
    std::vector<unsigned> m_indices;
    std::vector<std::unique_ptr<CGLmeshObj>> m_models;
    int m_boxesDrawn = 0;
    int m_meshesDrawn = 0;
    bool m_created = false;
};
