#include "app/scene/TrackEditFeed.h"
#include "app/shell/ShellState.h"
#include "app/shell/WindowInput.h"
#include "engine/gl/GLcamera.h"
#include "engine/terrain/GLRadar.h"
#include "foundation/core/InputState.h"
#include "log_capture.h"
#include "start_view.h"
#include "tracks/SplineDot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

// The ground under the cursor: x and y in world units on the plane z = 0;
// x = -1 has no pick, x = -2 a non-finite one.
bool FlatPick(int x, int y, CVec3& p)
{
    if (x == -1)
        return false;
    p = CVec3(x == -2 ? std::numeric_limits<float>::infinity() : float(x), float(y), 0.0f);
    return true;
}

TrackEditInput At(int x, int y, int button = 0)
{
    TrackEditInput in;
    in.x = x;
    in.y = y;
    in.button = button;
    return in;
}

TrackHost Line(float x0, int dots)
{
    TrackHost h;
    for (int i = 0; i < dots; ++i)
        h.dots.emplace_back(x0 + 200.0f * float(i), 1000.0f, 0.0f);
    return h;
}

const CVec3 kEye(0.0f, 0.0f, 0.0f);

TEST(TrackEditFeed, KeyCodeCountsModifierEightOnlyForARealBackspace)
{
    struct Case {
        int modifier;
        bool backspace;
        int key;
        int code;
    } cases[] = {
        {46, false, 'O', 111},   // 'O' while Delete is held
        {8, false, 'O', 'O'},    // Ctrl and 'O'
        {8, true, 'O', 'O'},     // Backspace and 'O'
        {4, false, 'O', 'O'},    // Shift and 'O'
        {8, false, 0, 0},        // Ctrl alone is the radar's
        {8, true, 0, 8},         // Backspace
        {4, false, 0, 4},
        {46, false, 0, 46},
        {0, true, 0, 0},         // a stale flag without modifier 8
    };
    for (const Case& c : cases) {
        TrackEditInput in;
        in.modifier = c.modifier;
        in.backspace = c.backspace;
        in.key = c.key;
        EXPECT_EQ(CTrackEditFeed::KeyCode(in), c.code) << c.modifier << "|" << c.key << " bs " << c.backspace;
    }
}

TEST(TrackEditFeed, CursorIsFedOnlyStrictlyBetweenTheDistanceLimitsAndWhenMoved)
{
    CTrackEditFeed feed;
    CSplineDot set;
    struct Step {
        int x;
        float cursorAfter; // m_Cursor.x after the step
    } steps[] = {
        {100, 0.0f},         // exactly 100: ignored
        {101, 101.0f},
        {250000, 101.0f},    // exactly 250000: ignored
        {249999, 249999.0f},
        {-1, 249999.0f},     // no pick
        {-2, 249999.0f},     // a ray parallel to the plane
        {50, 249999.0f},     // too near
        {300000, 249999.0f}, // too far
    };
    for (const Step& s : steps) {
        feed.Feed(set, At(s.x, 0), kEye, FlatPick);
        EXPECT_EQ(set.m_Cursor.x, s.cursorAfter) << "x " << s.x;
    }
    // an unmoved cursor is not fed again
    feed.Feed(set, At(500, 0), kEye, FlatPick);
    set.m_Cursor = CVec3(1, 2, 3);
    feed.Feed(set, At(500, 0), kEye, FlatPick);
    EXPECT_EQ(set.m_Cursor.x, 1.0f);
}

TEST(TrackEditFeed, DraggingWithTheButtonLaysAHost)
{
    // hovering first, or pressing where the cursor has just arrived (the move and
    // the press seen in the same frame): the host starts at the press either way
    for (bool hoverFirst : {true, false}) {
        SCOPED_TRACE(hoverFirst ? "hover, then press" : "move and press in one frame");
        CTrackEditFeed feed;
        CSplineDot set;
        if (hoverFirst)
            feed.Feed(set, At(1000, 1000), kEye, FlatPick);
        else
            feed.Feed(set, At(-1500, 3000), kEye, FlatPick); // somewhere else before
        feed.Feed(set, At(1000, 1000, CInputState::kButtonLeftDown), kEye, FlatPick);
        for (int x = 1100; x <= 4000; x += 100)
            feed.Feed(set, At(x, 1000, CInputState::kButtonLeftDown), kEye, FlatPick);
        EXPECT_EQ(set.GetHostCount(), 0); // still a stroke
        feed.Feed(set, At(4000, 1000), kEye, FlatPick);
        ASSERT_EQ(set.GetHostCount(), 1);
        const std::vector<CVec3>& dots = set.m_Hosts[0].dots;
        ASSERT_GE(dots.size(), 3u);
        for (const CVec3& d : dots)
            EXPECT_NEAR(d.y, 1000.0f, 1.0f); // along the drag only
        EXPECT_NEAR(dots.front().x, 1000.0f, 200.0f); // from the press to the release
        EXPECT_NEAR(dots.back().x, 4000.0f, 200.0f);
        EXPECT_TRUE(set.IsModified());
    }
}

// The start view (level, 1000 above the ground) in the program's first window:
// a straight drag from the ground up past the horizon keeps the part laid on the
// ground. The picks are the program's own, from the view's matrices.
TEST(TrackEditFeed, ADragThatRunsOnIntoTheSkyCommitsItsGroundPart)
{
    const StartView start;
    const CTrackEditFeed::Picker pick = [&](int x, int y, CVec3& p) { return start.Pick(x, y, p); };
    const CVec3 eye = *start.view.GetPosition();

    struct Case {
        int x1, y1;
    } ends[] = {{700, 300}, {560, 300}, {700, 380}}; // into the sky, in the sky beside, on the ground
    for (const Case& c : ends) {
        SCOPED_TRACE(std::to_string(c.x1) + "," + std::to_string(c.y1));
        LogCapture log;
        CTrackEditFeed feed;
        CSplineDot set;
        feed.Feed(set, At(300, 420), eye, pick);
        feed.Feed(set, At(300, 420, CInputState::kButtonLeftDown), eye, pick);
        for (int i = 1; i <= 40; ++i)
            feed.Feed(set, At(300 + (c.x1 - 300) * i / 40, 420 + (c.y1 - 420) * i / 40, CInputState::kButtonLeftDown),
                      eye, pick);
        feed.Feed(set, At(c.x1, c.y1), eye, pick);
        ASSERT_EQ(set.GetHostCount(), 1) << "the stroke was lost";
        EXPECT_TRUE(log.Contains("CommitTrack"));
        EXPECT_GE(set.m_Hosts[0].dots.size(), 3u);
        for (const CVec3& d : set.m_Hosts[0].dots)
            EXPECT_GT(d.y, 0.0f) << "every dot in front of the camera";
    }
}

TEST(TrackEditFeed, CtrlOverAPickedHostRemovesNothingBackspaceRemovesIt)
{
    CTrackEditFeed feed;
    CSplineDot set;
    set.m_Hosts.push_back(Line(1000.0f, 5));
    feed.Feed(set, At(1400, 1000), kEye, FlatPick); // hovers over the third dot
    ASSERT_EQ(set.m_PickedHost, 0);

    TrackEditInput ctrl = At(1400, 1000);
    ctrl.modifier = CInputState::kModBackOrCtrl;
    for (int i = 0; i < 3; ++i)
        feed.Feed(set, ctrl, kEye, FlatPick);
    EXPECT_EQ(set.GetHostCount(), 1);

    TrackEditInput back = ctrl;
    back.backspace = true;
    feed.Feed(set, back, kEye, FlatPick);
    EXPECT_EQ(set.GetHostCount(), 0);
}

TEST(TrackEditFeed, AHeldKeyIsSentOnce)
{
    LogCapture log;
    CTrackEditFeed feed;
    CSplineDot set;
    set.m_Hosts.push_back(Line(1000.0f, 8));
    feed.Feed(set, At(1400, 1000), kEye, FlatPick);
    TrackEditInput o = At(1400, 1000);
    o.key = 'O';
    for (int i = 0; i < 5; ++i)
        feed.Feed(set, o, kEye, FlatPick);
    int optimised = 0;
    for (const std::string& line : log.Lines())
        optimised += line.find("Optimize") != std::string::npos ? 1 : 0;
    EXPECT_EQ(optimised, 1);
    // released and pressed again: sent again
    feed.Feed(set, At(1400, 1000), kEye, FlatPick);
    feed.Feed(set, o, kEye, FlatPick);
    optimised = 0;
    for (const std::string& line : log.Lines())
        optimised += line.find("Optimize") != std::string::npos ? 1 : 0;
    EXPECT_EQ(optimised, 2);
}

double g_now = 0.0;
double FakeNow() { return g_now; }

// A key held from `down` to `up` (ms).
struct KeyPress {
    int vk;
    double down, up;
};
constexpr int kBack = 8, kShift = 16, kCtrl = 17, kDelete = 46;

// A millisecond-by-millisecond run of the window's key handling on `input`: the
// keys (with X's auto-repeat: 660 ms, then every 40 ms; X repeats neither Shift nor
// Ctrl) and the window's 50 ms modifier refresh. Every 10 ms the render thread
// expires the input and `step` runs as the frame.
void RunKeys(const std::vector<KeyPress>& presses, double endMs, CInputState& input,
             const std::function<void(int t)>& step)
{
    CShellState shell;
    shell::HeldModifiers held;
    auto key = [&](int vk, bool down) {
        held.OnKey(vk, down, input);
        if (down)
            shell::OnKeyDown(vk, held, input, shell);
        else
            shell::OnKeyUp(vk, held, input);
    };
    for (int t = 0; t <= int(endMs); ++t) {
        g_now = t;
        for (const KeyPress& k : presses) {
            if (t == int(k.down))
                key(k.vk, true);
            else if (t == int(k.up))
                key(k.vk, false);
            else if (t > k.down + 660 && t < k.up && (t - int(k.down) - 660) % 40 == 0 && k.vk != kShift &&
                     k.vk != kCtrl)
                key(k.vk, true);
        }
        if (t % 50 == 25)
            held.Refresh(input);
        if (t % 10 == 0) {
            input.Expire();
            step(t);
        }
    }
}

// The feed's 10 ms step with the pointer sweeping along y = 1000 from x = 900 at
// 2 units a millisecond.
void SweepAndFeed(int t, CInputState& input, CTrackEditFeed& feed, CSplineDot& set)
{
    shell::OnMouseMove(900 + 2 * t, 1000, g_now, input);
    TrackEditInput in;
    input.GetMousePos(in.x, in.y);
    in.button = input.GetButton();
    in.modifier = input.GetModifier(in.backspace);
    in.key = input.GetKey();
    feed.Feed(set, in, kEye, FlatPick);
}

// Returns the dots removed from one 12-dot track while sweeping along it.
int DotsRemovedWhileSweeping(const std::vector<KeyPress>& presses, double endMs)
{
    CInputState input(&FakeNow);
    CTrackEditFeed feed;
    CSplineDot set;
    set.m_Hosts.push_back(Line(1000.0f, 12));
    RunKeys(presses, endMs, input, [&](int t) { SweepAndFeed(t, input, feed, set); });
    return set.GetHostCount() == 1 ? 12 - int(set.m_Hosts[0].dots.size()) : -1;
}

// Sweeps over 14 two-dot tracks standing across the pointer's path, 200 units
// apart: each Delete or Backspace that arrives removes the track under the
// pointer, each 'O' smooths it. Returns the edits made.
int EditsWhileSweeping(const std::vector<KeyPress>& presses, double endMs)
{
    LogCapture log;
    CInputState input(&FakeNow);
    CTrackEditFeed feed;
    CSplineDot set;
    for (int i = 0; i < 14; ++i) {
        TrackHost h;
        h.dots = {CVec3(1000.0f + 200.0f * float(i), 1000.0f, 0.0f), CVec3(1000.0f + 200.0f * float(i), 1600.0f, 0.0f)};
        set.m_Hosts.push_back(std::move(h));
    }
    RunKeys(presses, endMs, input, [&](int t) { SweepAndFeed(t, input, feed, set); });
    int edits = 14 - set.GetHostCount();
    for (const std::string& line : log.Lines())
        edits += line.find("KeyDown  Optimize") != std::string::npos ? 1 : 0;
    return edits;
}

TEST(TrackEditFeed, HeldShiftAndAutoRepeatingDeleteRemoveOneDotPerPress)
{
    // Shift held throughout, Delete held for 1.2 s while the pointer crosses six dots
    EXPECT_EQ(DotsRemovedWhileSweeping({{kShift, 0, 5000}, {kDelete, 100, 1300}}, 1400), 1);
    // the same with Ctrl held (Backspace's modifier, which Delete must not take over)
    EXPECT_EQ(DotsRemovedWhileSweeping({{kCtrl, 0, 5000}, {kDelete, 100, 1300}}, 1400), 1);
    // Delete alone, held through the repeat delay
    EXPECT_EQ(DotsRemovedWhileSweeping({{kDelete, 100, 1300}}, 1400), 1);
    // two real presses with Shift held: two dots
    EXPECT_EQ(DotsRemovedWhileSweeping({{kShift, 0, 5000}, {kDelete, 100, 900}, {kDelete, 1000, 1300}}, 1400), 2);
}

TEST(TrackEditFeed, EachPressOfDeleteBackspaceOrOActsOnceWhateverElseIsPressed)
{
    const int kO = 'O', kW = 'W';
    struct Case {
        const char* keys;
        std::vector<KeyPress> presses;
        int edits;
    } cases[] = {
        {"Ctrl, Delete held, Ctrl let go", {{kCtrl, 0, 400}, {kDelete, 100, 1300}}, 1},
        {"Ctrl, Backspace held, Ctrl let go", {{kCtrl, 0, 400}, {kBack, 100, 1300}}, 1},
        {"Backspace held, then Shift", {{kBack, 100, 1300}, {kShift, 300, 1000}}, 1},
        {"Delete held, then Shift", {{kDelete, 100, 1300}, {kShift, 300, 1000}}, 1},
        {"Backspace held, then Ctrl", {{kBack, 100, 1300}, {kCtrl, 300, 1000}}, 1},
        {"'O' held", {{kO, 100, 1300}}, 1},
        {"Delete held, W pressed and let go", {{kDelete, 100, 1300}, {kW, 300, 500}}, 1},
        // 'O' with Delete held sends 111, which edits nothing
        {"Delete held, 'O' pressed and let go", {{kDelete, 100, 1300}, {kO, 300, 400}}, 1},
        {"Backspace held, 'O' pressed and let go", {{kBack, 100, 1300}, {kO, 300, 400}}, 2},
        {"Backspace held, Delete pressed and let go", {{kBack, 100, 1300}, {kDelete, 300, 500}}, 2},
        {"'O', then Delete before the key runs out", {{kO, 100, 200}, {kDelete, 110, 1300}}, 2},
        {"two presses of Backspace with Ctrl held", {{kCtrl, 0, 1400}, {kBack, 100, 300}, {kBack, 600, 800}}, 2},
        {"two presses of 'O' with W held", {{kW, 0, 1400}, {kO, 100, 900}, {kO, 1000, 1300}}, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditsWhileSweeping(c.presses, 1400), c.edits) << c.keys;
}

TEST(WindowKeys, HeldCtrlScalesTheRadarWhileWalking)
{
    std::vector<CVec3> vertices;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j)
            vertices.push_back(CVec3(float(j - 4) * 100.0f, float(i - 4) * 100.0f, 0.0f));
    CGLRadar radar;  // at (16, 40), 128 x 128 scaled by 1.2
    radar.Attach(8, 8, 24, nullptr, vertices.data(), 100.0f);
    radar.BuildOutline();
    CGLcamera camera;
    const float zoom = radar.GetZoom();
    g_now = 0.0;
    g_InputState.SetTimeSource(&FakeNow);
    g_InputState.SetModifier(0);
    g_InputState.SetWheel(0);
    g_InputState.SetButton(CInputState::kButtonNone);
    // Ctrl held, W pressed 200 ms later and held (walking), the wheel turned at 600 ms
    RunKeys({{kCtrl, 0, 1000}, {'W', 200, 1000}}, 700, g_InputState, [&](int t) {
        shell::OnMouseMove(90, 110, g_now, g_InputState);
        if (t == 600)
            shell::OnWheel(120, g_InputState);
        radar.Update(&camera);
    });
    EXPECT_LT(radar.GetScale(), 1.2f);
    EXPECT_FLOAT_EQ(radar.GetZoom(), zoom);
    g_InputState.SetModifier(0);
    g_InputState.SetForward(0);
    g_InputState.SetOverlayHit(false);
    g_InputState.SetTimeSource(nullptr);
}

// The panel's red button: "1" once after a click, then "0".
struct ClearButton {
    bool pressed = false;
    int lookups = 0;
    CTrackEditFeed::Lookup Lookup()
    {
        return [this](const char* page, const char* name) {
            ++lookups;
            if (std::string(page) != "Tracks" || std::string(name) != "Clear")
                return std::string();
            const bool was = pressed;
            pressed = false;
            return std::string(was ? "1" : "0");
        };
    }
};

TEST(TrackEditFeed, ClearIsConsumedEveryStepAndClearsOnlyInEditModeWithHosts)
{
    CTrackEditFeed feed;
    CSplineDot set;
    ClearButton button;
    TrackEditState editing;
    editing.editMode = true;
    TrackEditState viewing;

    // clicked on an empty set: consumed, harmless
    button.pressed = true;
    feed.Step(set, At(0, 0), editing, kEye, FlatPick, button.Lookup());
    EXPECT_FALSE(button.pressed);
    set.m_Hosts.push_back(Line(1000.0f, 4));
    feed.Step(set, At(0, 0), editing, kEye, FlatPick, button.Lookup());
    EXPECT_EQ(set.GetHostCount(), 1);

    // clicked while editing is off: consumed, nothing cleared then or later
    button.pressed = true;
    feed.Step(set, At(0, 0), viewing, kEye, FlatPick, button.Lookup());
    EXPECT_FALSE(button.pressed);
    feed.Step(set, At(0, 0), editing, kEye, FlatPick, button.Lookup());
    EXPECT_EQ(set.GetHostCount(), 1);

    // consumed also while the radar has the input or the mouse is captured
    for (bool radar : {true, false}) {
        TrackEditState busy = editing;
        busy.radarTookInput = radar;
        busy.captured = !radar;
        const int before = button.lookups;
        feed.Step(set, At(0, 0), busy, kEye, FlatPick, button.Lookup());
        EXPECT_EQ(button.lookups, before + 1);
    }

    // clicked while editing a set with hosts: cleared
    button.pressed = true;
    feed.Step(set, At(0, 0), editing, kEye, FlatPick, button.Lookup());
    EXPECT_EQ(set.GetHostCount(), 0);
}

TEST(TrackEditFeed, StepFeedsOnlyInEditModeWithoutCaptureOrRadar)
{
    struct Case {
        bool edit, captured, radar, fed;
    } cases[] = {
        {true, false, false, true},
        {false, false, false, false},
        {true, true, false, false},
        {true, false, true, false},
    };
    for (const Case& c : cases) {
        CTrackEditFeed feed;
        CSplineDot set;
        TrackEditState state;
        state.editMode = c.edit;
        state.captured = c.captured;
        state.radarTookInput = c.radar;
        feed.Step(set, At(700, 0), state, kEye, FlatPick, nullptr);
        EXPECT_EQ(set.m_Cursor.x == 700.0f, c.fed) << c.edit << c.captured << c.radar;
    }
}

} // namespace
