#include "engine/gl/GLShader.h"
#include "gl_fixture.h"
#include "log_capture.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string kShaderDir = std::string(QM_DATA_DIR) + "/Shader/";

std::string WriteTemp(const std::string& name, const std::string& text)
{
    std::string path = NewTempFolder("shader") + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return path;
}

} // namespace

TEST(TerrainShader, ShippedSourcesCompileAndLink)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(16, 16));
    LogCapture log;
    CGLShader shader;
    ASSERT_TRUE(shader.Create(kShaderDir + "TestFs2Reduced.frag", kShaderDir + "TestFs2Reduced.vert",
                              kShaderDir + "Demo.geom"));
    EXPECT_TRUE(log.Contains("CGLShader::Create VERT("));
    EXPECT_TRUE(log.Contains("SUCCSEEDED !"));
    EXPECT_EQ(shader.GetPositionAttrib(), 0);
    EXPECT_EQ(shader.GetNormalAttrib(), 1);
    EXPECT_EQ(shader.GetTexCoordAttrib(), 2);
    EXPECT_EQ(shader.GetColorAttrib(), 3);

    // every uniform the chunks set is live in the program
    const GLuint p = GLuint(shader.GetProgram());
    for (const char* name : {"uWaterTex", "uGrassTex", "uRockTex", "uMountainTex", "uMinHeight", "uMaxHeight",
                             "uWaterTileFactor", "uGrassTileFactor", "uRockTileFactor", "uMountainTileFactor",
                             "uFallbackStart", "uFallbackEnd", "uUseTexture", "vLightPos", "uLightColor",
                             "uCameraPos", "uModelMatrix", "uProjectionMatrix", "uViewMatrix", "uTime"})
        EXPECT_NE(glGetUniformLocation(p, name), -1) << name;

    shader.Use();
    shader.SetFloat("uMinHeight", 2.5f);
    shader.SetInt("uUseTexture", 1);
    shader.SetFloat("noSuchUniform", 1.0f); // not found: nothing happens
    GLfloat v = 0;
    glGetUniformfv(p, glGetUniformLocation(p, "uMinHeight"), &v);
    EXPECT_FLOAT_EQ(v, 2.5f);
    shader.Unuse();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    shader.Delete();
    EXPECT_FALSE(shader.IsValid());
    EXPECT_EQ(shader.GetPositionAttrib(), 0); // attribute numbers stay as read
}

TEST(TerrainShader, TheTerrainsOwnTrioCompilesAndLinks)
{
    // the sources CGLterrain::Create compiles (the reduced pair is tested above)
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(16, 16));
    LogCapture log;
    CGLShader shader;
    ASSERT_TRUE(shader.Create(kShaderDir + "TestFs2.frag", kShaderDir + "TestVs2.vert", kShaderDir + "Demo.geom"))
        << (log.Lines().empty() ? "" : log.Lines().back());
    EXPECT_TRUE(shader.IsValid());
    EXPECT_TRUE(log.Contains("SUCCSEEDED !"));
    EXPECT_EQ(shader.GetPositionAttrib(), 0);
    shader.Use();
    shader.Unuse();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(TerrainShader, FailuresAreLoggedAndLeaveNoProgram)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(16, 16));
    LogCapture log;
    CGLShader shader;
    const std::string frag = kShaderDir + "TestFs2Reduced.frag";
    const std::string vert = kShaderDir + "TestFs2Reduced.vert";

    EXPECT_FALSE(shader.Create(frag, "", ""));
    EXPECT_TRUE(log.Contains("CGLShader::Create Files Empty path\n"));

    log.Clear();
    const std::string missing = "/nonexistent/Shader/Demo.geom";
    EXPECT_FALSE(shader.Create(frag, vert, missing));
    EXPECT_TRUE(log.Contains("CGLShader::Load Shader file not found: " + missing));
    EXPECT_TRUE(log.Contains("CGLShader::Create Geometry Shader Loading Error: " + missing));

    log.Clear();
    const std::string empty = WriteTemp("empty.vert", "");
    EXPECT_FALSE(shader.Create(frag, empty, ""));
    EXPECT_TRUE(log.Contains("CGLShader::Load Shader file is empty: " + empty));

    log.Clear();
    const std::string bad = WriteTemp("bad.frag", "#version 150 compatibility\nvoid main() { undefined_call(); }\n");
    EXPECT_FALSE(shader.Create(bad, vert, ""));
    EXPECT_TRUE(log.Contains("CGLShader::Create Fragment Shader Compilation Error: "));

    // a vertex output the fragment stage reads with another type fails at link time
    log.Clear();
    const std::string v2 = WriteTemp("a.vert", "#version 150 compatibility\nout vec3 x;\nvoid main(){x=vec3(1);gl_Position=gl_Vertex;}\n");
    const std::string f2 = WriteTemp("a.frag", "#version 150 compatibility\nin vec4 x;\nout vec4 c;\nvoid main(){c=x;}\n");
    EXPECT_FALSE(shader.Create(f2, v2, ""));
    EXPECT_TRUE(log.Contains("CGLShader::Create Shader Program Linking Error: "));

    // the failed program is never bound and its setters do nothing
    EXPECT_FALSE(shader.IsValid());
    shader.Use();
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    shader.SetFloat("uMinHeight", 1.0f);
    shader.EnableAttribs(true);
    shader.DisableAttribs();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
