#pragma once
#include "app/scene/FrameGate.h"
#include "app/scene/SceneModels.h"
#include "app/scene/SceneTrackSets.h"
#include "app/scene/TrackEditFeed.h"
#include "app/script/LuaScript.h"
#include "app/script/SceneScripts.h"
#include "app/script/ScriptScene.h"
#include "engine/gl/GLcamera.h"
#include "engine/terrain/GLflare.h"
#include "engine/terrain/GLterrain.h"
#include "foundation/core/FrameTimer.h"
#include "tracks/SplineCamFollow.h"
#include "tracks/TrackFollower.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <cstdint>
#include <string>

class CGLmesh;

// A save made once: the first caller makes it; a caller that comes meanwhile
// waits for it to end, for at most `wait` (a save stuck on a hung disk must not
// keep the program from ending). Any thread.
class CSaveOnce {
public:
    // False when the first caller's save was still running after `wait`.
    bool Run(const std::function<void()>& save, std::chrono::milliseconds wait);

private:
    std::mutex m_lock;
    std::condition_variable m_ended;
    bool m_begun = false;    // under m_lock
    bool m_running = false;  // under m_lock
};

// The world the render thread builds once and draws frame after frame: the
// terrain (the base), ten views, the user's track sets with their editing feed,
// the loaded models with the follower and the track camera, the flare, the radar
// and the status line. Constructed on the GUI thread; every other call comes from
// the render thread with the GL context current.
class CGLscene : public CGLterrain, public IScriptScene {
public:
    static constexpr int kViews = 10;
    static constexpr int kFollowedModel = 4; // the model id that rides the tracks

    CGLscene();
    ~CGLscene();
    CGLscene(const CGLscene&) = delete;
    CGLscene& operator=(const CGLscene&) = delete;

    // Font, splash, views with their poses, radar settings, track sets, terrain,
    // view bounds and flare; false when a step fails.
    bool Create();
    // Poses, track sets and radar settings saved, then the scripts closed (their
    // finalizers run then), models, font and terrain freed. Safe to call after a
    // failed or missing Create, and twice.
    void Free();
    // Writes back what Create read (poses, track sets, radar settings), once: the
    // first caller does it, a second one waits for it (kSaveWaitMs at most). Free
    // calls it; the shell calls it from the GUI thread when the render thread is
    // stuck inside a script call and never gets there.
    void SaveUserWork();
    static constexpr int kSaveWaitMs = 5000;

    void Resize(int width, int height);
    // 0..9 makes that view current; other values do nothing.
    void SelectView(int index);
    // F1's rule: when the current view's index is below 3, view 0 takes its
    // position, then its rotation. Render thread.
    void CopyPoseToView0();
    // Any index outside 0..9 gives the current view.
    CGLcamera& GetView(int index);
    CGLcamera& GetCurrentView() { return *m_view; }

    // One frame when the frame interval has passed since the last one; nowMs is the
    // render loop's clock, which paces the radar and the editing feed (10 ms).
    void RenderFrame(unsigned nowMs);
    // Frame interval := 1 / fps; 0 or a negative rate keeps the interval.
    void SetFrameRate(int fps);
    void SetWireframe(bool on) { m_wireframe = on; }
    // Distance per ms of the follower and of the track camera (the panel's speed / 100).
    void SetSpeedFactor(float factor);
    // F11: shows, hides or opens the editor of each script (above all others when
    // topmost) and hands each its hook switch.
    void ToggleScriptEditors(bool topmost);
    // Runs again each script whose file changed or whose editor asked for it.
    void PollScripts();

    // The lookup of the panel's items ("Tracks"/"Clear"); the panel store by default.
    void SetItemLookup(CTrackEditFeed::Lookup lookup) { m_lookup = std::move(lookup); }
    CLuaScript& GetScript(int index) { return m_scripts[index]; }

    // Script host's operations.
    int Load3DS(const std::string& file, const CVec3& pos, float scale, bool bitmap, bool subtils) override;
    void Clear3DS() override;
    void SetModelPosRot(int id, const CVec3& pos, const CVec3& rot) override;

    CGLmesh* FindMesh(const std::string& name) { return m_models.FindMesh(name); }
    void SetMeshFog(const std::string& name, const CVec3& colour, float level, float density, float start, float end);

    // Drawing steps, public for tests and tools.
    void DrawSplash();
    void DrawStatus(CGLcamera* view);
    void DrawEditFrame(CGLcamera* view);
    void EditTracks(CGLcamera* view);
    void SetClipPlanes(float zNear, float zFar) { m_view->SetClipPlanes(zNear, zFar); }
    float GetFrameRate() const { return m_frameRate; }
    std::string GetStatusText() const;
    void ReadScreen(const char* fileName);

    bool IsCreated() const { return m_created; }
    bool IsWireframe() const { return m_wireframe; }
    double GetFrameInterval() const { return m_gate.GetInterval(); }
    CSceneTrackSets& GetTrackSets() { return m_trackSets; }
    CSceneModels& GetModels() { return m_models; }
    CTrackFollower& GetFollower() { return m_follower; }
    CSplineCamFollow& GetTrackCamera() { return m_trackCam; }
    CGLflare& GetFlare() { return m_flare; }
    int GetTerrainChunkCount() const { return m_chunkCount; }
    int GetHostsDrawn() const { return m_hostsDrawn; }
    int GetMeshesDrawn() const { return m_meshesDrawn; }
    int64_t GetFramesDrawn() const { return m_frames; }

private:
    void BoundViews();
    // "OnImage" in the three scripts, under the script lock.
    void RaiseOnImage();
    void MoveCamera(CGLcamera* view);
    // The 10 ms step of the editing feed ("Clear" is consumed even when not fed).
    void FeedStep(CGLcamera* view, bool radarTookInput);
    void RenderModels(CGLcamera* view);
    // Reads the input controller for the editing feed.
    static TrackEditInput ReadEditInput();
    bool PickGround(CGLcamera* view, int x, int y, CVec3& point);

    CLuaScript m_scripts[kSceneScriptCount];
    CSceneModels m_models;
    CTrackFollower m_follower;
    CSplineCamFollow m_trackCam;
    CSceneTrackSets m_trackSets;
    CGLflare m_flare;
    CGLcamera m_views[kViews];
    CGLcamera* m_view = &m_views[0];
    CTrackEditFeed m_feed;
    CTrackEditFeed::Lookup m_lookup;
    CFrameTimer m_timer;
    CFrameGate m_gate;
    uint32_t m_last10ms = 0;
    float m_frameRate = 1000.0f;
    int m_imageWidth = 0, m_imageHeight = 0;
    int m_trackCamSet = 0;
    int m_followSet = 0;
    int m_collisions = 0;
    int m_meshesDrawn = 0;
    int m_chunkCount = 0;
    int m_terrainDrawn = 0;
    int m_hostsDrawn = 0;
    int64_t m_frames = 0;
    bool m_wireframe = false;
    bool m_created = false;
    bool m_freed = false;
    // What Create read, and so what Free writes back (read by the GUI thread too).
    std::atomic<bool> m_viewsReady{false};
    bool m_scriptsHosted = false;
    std::atomic<bool> m_radarReady{false};
    std::atomic<bool> m_tracksReady{false};
    CSaveOnce m_workSave;
};
