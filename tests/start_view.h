#pragma once
// The program's start view (level, 1000 above the ground) in its first window
// size, with the ground pick the scene makes from it, computed from the view's
// own matrices instead of GL's (tests only).
#include "engine/gl/GLcamera.h"

struct StartView {
    StartView()
    {
        view.SetRotation(CVec3(90.0f, 0.0f, 0.0f));
        view.SetPerspective(6.0f, 1600000.0f, 1032, 668);
        view.Update();
        for (int i = 0; i < 16; ++i) {
            modelView[i] = view.GetModelView().GetMatrix()[i];
            projection[i] = view.GetProjection().GetMatrix()[i];
        }
    }
    // Where the pointer's ray meets the plane z = 75, as the scene picks.
    bool Pick(int x, int y, CVec3& p) const
    {
        return CGLview::PickOnPlaneD(GLPoint{x, y}, 75.0, modelView, projection, view.GetViewport(), p);
    }

    CGLcamera view;
    double modelView[16];
    double projection[16];
};
