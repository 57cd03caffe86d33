#include "gl_fixture.h"

#include <gtest/gtest.h>

TEST(GLFixture, CompatibilityContextClearsFramebuffer)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(32, 16));
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_NE(std::string(version).find("Compatibility"), std::string::npos) << version;
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // fixed-function entry points are there
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    QImage img = gl.Grab();
    EXPECT_EQ(img.width(), 32);
    EXPECT_EQ(qRed(img.pixel(5, 5)), 255);
    EXPECT_EQ(qGreen(img.pixel(5, 5)), 0);
}
