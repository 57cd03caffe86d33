#include "engine/gl/GLcontext.h"
#include "log_capture.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

namespace {

struct StateSnapshot {
    GLint depthFunc, polygonMode[2], texEnvMode, rgbScale, clearStencil;
    GLboolean depthTest, depthMask, multisample, colorMaterial;
    GLfloat clearColor[4], clearDepth, lineWidth;
    GLint hints[3];

    static StateSnapshot Read()
    {
        StateSnapshot s{};
        glGetIntegerv(GL_DEPTH_FUNC, &s.depthFunc);
        glGetIntegerv(GL_POLYGON_MODE, s.polygonMode);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &s.texEnvMode);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_RGB_SCALE, &s.rgbScale);
        glGetIntegerv(GL_STENCIL_CLEAR_VALUE, &s.clearStencil);
        s.depthTest = glIsEnabled(GL_DEPTH_TEST);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
        s.multisample = glIsEnabled(GL_MULTISAMPLE);
        s.colorMaterial = glIsEnabled(GL_COLOR_MATERIAL);
        glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clearColor);
        glGetFloatv(GL_DEPTH_CLEAR_VALUE, &s.clearDepth);
        glGetFloatv(GL_LINE_WIDTH, &s.lineWidth);
        glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &s.hints[0]);
        glGetIntegerv(GL_POINT_SMOOTH_HINT, &s.hints[1]);
        glGetIntegerv(GL_POLYGON_SMOOTH_HINT, &s.hints[2]);
        return s;
    }
};

void ExpectDefaultState(const StateSnapshot& s)
{
    EXPECT_EQ(s.depthFunc, GL_LEQUAL);
    EXPECT_EQ(s.polygonMode[0], GL_FILL);
    EXPECT_EQ(s.texEnvMode, GL_COMBINE);
    EXPECT_EQ(s.rgbScale, 2);
    EXPECT_EQ(s.clearStencil, 0);
    EXPECT_TRUE(s.depthTest);
    EXPECT_TRUE(s.depthMask);
    EXPECT_TRUE(s.multisample);
    EXPECT_FALSE(s.colorMaterial);
    for (float c : s.clearColor)
        EXPECT_EQ(c, 0.0f);
    EXPECT_EQ(s.clearDepth, 1.0f);
    EXPECT_EQ(s.lineWidth, 1.0f);
    for (GLint h : s.hints)
        EXPECT_EQ(h, GL_NICEST);
}

} // namespace

TEST(EngineContext, InitGLSetsTheDefaultStateAndLogsTheDriver)
{
    platform::GLWindow window;
    window.setFormat(CGLcontext::PixelFormat());
    window.resize(64, 64);
    window.create();

    CGLcontext context;
    LogCapture log;
    ASSERT_TRUE(context.InitGL(&window));
    EXPECT_TRUE(GLContextIsCurrent());
    EXPECT_TRUE(log.Contains("CVersions::GL Version: "));
    EXPECT_TRUE(log.Contains("CVersions::GL Renderer: "));
    EXPECT_TRUE(log.Contains("CVersions::GL Version:  ")); // InitGL's own line, two blanks
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    ExpectDefaultState(StateSnapshot::Read());

    // Mess the state up; ResetState brings back exactly the same.
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glEnable(GL_COLOR_MATERIAL);
    glLineWidth(3.0f);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    context.ResetState();
    ExpectDefaultState(StateSnapshot::Read());

    // 0x000000FF is pure red, alpha 0.
    context.SetClearColor(0x000000FFu);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 1.0f);
    EXPECT_EQ(clear[1], 0.0f);
    EXPECT_EQ(clear[2], 0.0f);
    EXPECT_EQ(clear[3], 0.0f);

    // Vertical sync on and off does not disturb the context.
    context.SetVSync(true);
    context.SetVSync(false);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    context.Release();
    EXPECT_FALSE(GLContextIsCurrent());
}

TEST(EngineContext, NullOrUncreatedSurfaceFails)
{
    CGLcontext context;
    LogCapture log;
    EXPECT_FALSE(context.InitGL(nullptr));
    EXPECT_TRUE(log.Lines().empty());

    // A window that was never created has no surface to put a pixel format on.
    platform::GLWindow window;
    EXPECT_FALSE(context.InitGL(&window));
    EXPECT_TRUE(log.Contains("PixelFormat konnte nicht gesetzt werden!"));
    EXPECT_FALSE(GLContextIsCurrent());
}
