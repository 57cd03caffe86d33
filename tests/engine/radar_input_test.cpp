// The minimap driven through the input controller, as the scene feeds it.
#include "engine/gl/GLcamera.h"
#include "engine/terrain/GLRadar.h"
#include "foundation/core/InputState.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class RadarInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 8; ++j)
                m_vertices.push_back(CVec3(float(j - 4) * 100.0f, float(i - 4) * 100.0f, 0.0f));
        m_radar.Attach(8, 8, 24, nullptr, m_vertices.data(), 100.0f);
        m_radar.BuildOutline();
        Input(0, 0, 0, CInputState::kButtonNone);
    }
    void TearDown() override
    {
        Input(0, 0, 0, CInputState::kButtonNone);
        g_InputState.SetOverlayHit(false);
    }
    static void Input(int x, int y, int modifier, int button, int wheel = 0, bool shift = false)
    {
        g_InputState.SetMousePos(x, y);
        g_InputState.SetModifier(modifier);
        g_InputState.SetShiftHeld(shift);
        g_InputState.SetButton(button);
        g_InputState.SetWheel(wheel);
    }
    std::vector<CVec3> m_vertices;
    CGLRadar m_radar; // at (16, 40), 128 x 128 scaled by 1.2: centre (92.8, 116.8)
    CGLcamera m_camera;
};

TEST_F(RadarInput, ClicksToggleModesAndMoveTheCamera)
{
    // outside the minimap nothing is taken
    Input(400, 400, 0, CInputState::kButtonRightDown);
    EXPECT_FALSE(m_radar.Update(&m_camera));
    EXPECT_FALSE(g_InputState.IsOverlayHit());
    EXPECT_TRUE(m_radar.IsRound());
    EXPECT_EQ(g_InputState.GetButton(), CInputState::kButtonRightDown);

    struct Case {
        int button;
        bool round, locked;
    } cases[] = {
        {CInputState::kButtonRightDown, false, false},  // right: square
        {CInputState::kButtonRightDown, true, false},   // and round again
        {CInputState::kButtonMiddleDown, true, true},   // middle: locked
        {CInputState::kButtonMiddleDown, true, false},
    };
    for (const Case& c : cases) {
        Input(90, 110, 0, c.button);
        EXPECT_TRUE(m_radar.Update(&m_camera));
        EXPECT_TRUE(g_InputState.IsOverlayHit());
        EXPECT_EQ(m_radar.IsRound(), c.round);
        EXPECT_EQ(m_radar.IsLocked(), c.locked);
        EXPECT_EQ(g_InputState.GetButton(), CInputState::kButtonNone); // the click is used up
    }

    // double click: the camera goes to the point under the cursor
    m_camera.SetPosition(CVec3(0.0f, 0.0f, 500.0f));
    Input(int(92.8f) + 2, int(116.8f) - 3, 0, CInputState::kButtonLeftDouble);
    EXPECT_TRUE(m_radar.Update(&m_camera));
    const CVec3 want = m_radar.MapToWorldPoint(CVec3(0.0f, 0.0f, 500.0f), m_camera.GetRadius(), 94, 113);
    EXPECT_EQ(*m_camera.GetPosition(), want);
    EXPECT_NE(want.x, 0.0f);
    EXPECT_EQ(g_InputState.GetButton(), CInputState::kButtonNone);
}

TEST_F(RadarInput, ShiftDragMovesTheMinimap)
{
    // a plain left press does nothing and leaves the button
    Input(30, 50, 0, CInputState::kButtonLeftDown);
    EXPECT_TRUE(m_radar.Update(&m_camera));
    EXPECT_FLOAT_EQ(m_radar.GetScreenX(), 16.0f);

    // Delete held (code 46, which has the Shift bit) does not drag
    Input(100, 120, CInputState::kModDelete, CInputState::kButtonLeftDown);
    EXPECT_TRUE(m_radar.Update(&m_camera));
    EXPECT_FLOAT_EQ(m_radar.GetScreenX(), 16.0f);

    // Shift held drags, also when Delete was pressed after it or its modifier expired
    for (int modifier : {int(CInputState::kModShift), int(CInputState::kModDelete), 0}) {
        Input(100, 120, modifier, CInputState::kButtonLeftDown, 0, true);
        EXPECT_TRUE(m_radar.Update(&m_camera));
        EXPECT_FLOAT_EQ(m_radar.GetScreenX(), 100.0f - 76.8f) << modifier;
        EXPECT_FLOAT_EQ(m_radar.GetScreenY(), 120.0f - 76.8f);
        EXPECT_EQ(g_InputState.GetButton(), CInputState::kButtonLeftDown); // held: a drag
        Input(110, 125, modifier, CInputState::kButtonLeftDown, 0, true);
        EXPECT_TRUE(m_radar.Update(&m_camera));
        EXPECT_FLOAT_EQ(m_radar.GetScreenX(), 110.0f - 76.8f);
        m_radar.CentreOn(92, 116);
    }
}

TEST_F(RadarInput, WheelZoomsAndCtrlWheelScales)
{
    m_radar.Attach(1024, 1024, 24, nullptr, nullptr, 100.0f); // zoom range [0.1, 8]
    Input(90, 110, 0, CInputState::kButtonNone, +1);
    EXPECT_TRUE(m_radar.Update(&m_camera));
    EXPECT_NEAR(m_radar.GetZoom(), 4.1f, 1e-6f);
    for (int k = 0; k < 2; ++k) {
        Input(90, 110, 0, CInputState::kButtonNone, -1);
        m_radar.Update(&m_camera);
    }
    EXPECT_NEAR(m_radar.GetZoom(), 3.9f, 1e-5f);
    EXPECT_FLOAT_EQ(m_radar.GetScale(), 1.2f);

    // Ctrl + wheel: scale by 0.01 per step, the zoom stays, the cursor's point stays put
    const float z = m_radar.GetZoom();
    const float fx = (90.0f - m_radar.GetScreenX()) / m_radar.GetScale();
    Input(90, 110, CInputState::kModBackOrCtrl, CInputState::kButtonNone, -1);
    EXPECT_TRUE(m_radar.Update(&m_camera));
    EXPECT_NEAR(m_radar.GetScale(), 1.21f, 1e-5f);
    EXPECT_FLOAT_EQ(m_radar.GetZoom(), z);
    EXPECT_NEAR((90.0f - m_radar.GetScreenX()) / m_radar.GetScale(), fx, 1e-3f);

    // a click together with a wheel step is not a click
    Input(90, 110, 0, CInputState::kButtonRightDown, +1);
    m_radar.Update(&m_camera);
    EXPECT_TRUE(m_radar.IsRound());
}

} // namespace
