// The blending rules of a material, read back from GL state.
#include "engine/models/GLmaterial.h"
#include "gl_fixture.h"

#include <gtest/gtest.h>

namespace {

struct BlendState {
    bool blend = false, colourMaterial = false;
    GLint src = 0, dst = 0;
    float colour[4] = {0, 0, 0, 0};
    float diffuse[4] = {0, 0, 0, 0};
};

BlendState ReadState()
{
    BlendState s;
    s.blend = glIsEnabled(GL_BLEND) == GL_TRUE;
    s.colourMaterial = glIsEnabled(GL_COLOR_MATERIAL) == GL_TRUE;
    glGetIntegerv(GL_BLEND_SRC, &s.src);
    glGetIntegerv(GL_BLEND_DST, &s.dst);
    glGetFloatv(GL_CURRENT_COLOR, s.colour);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, s.diffuse);
    return s;
}

TEST(MaterialState, ApplyBlendsByAlphaAndColourMaterial)
{
    GLTestContext gl;
    ASSERT_TRUE(gl.Init(8, 8));
    const CVec3 ambient(0.1f, 0.2f, 0.3f), diffuse(0.8f, 0.4f, 0.2f), specular(1, 1, 1);

    struct Case {
        float materialAlpha, givenAlpha;
        bool colourMaterial;
        bool blend;
        GLint dst;
        float colourAlpha; // of the current colour, when the material sets it
    } cases[] = {
        {0.5f, 0.0f, false, true, GL_ONE_MINUS_SRC_ALPHA, 0.5f}, // transparent material
        {0.0f, 0.25f, false, true, GL_ONE_MINUS_SRC_ALPHA, 0.25f}, // alpha given at the call
        {0.5f, 0.0f, true, true, GL_ONE, -1.0f},                  // with colour material: additive
        {0.0f, 0.0f, false, false, GL_ZERO, -1.0f},               // opaque: no blending
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.materialAlpha << " " << c.givenAlpha << " " << c.colourMaterial);
        glDisable(GL_BLEND);
        glBlendFunc(GL_ONE, GL_ZERO);
        glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
        CGLmaterial m(ambient, diffuse, specular, 20.0f, 128.0f, 0.0f, c.materialAlpha);
        m.Apply(c.colourMaterial, c.givenAlpha);
        const BlendState s = ReadState();
        EXPECT_EQ(s.blend, c.blend);
        EXPECT_EQ(s.dst, c.dst);
        if (c.blend) {
            EXPECT_EQ(s.src, GL_SRC_ALPHA);
        }
        EXPECT_FALSE(s.colourMaterial); // switched off again when blending additively
        if (c.colourAlpha >= 0.0f) {
            // the diffuse colour with the material's alpha, as colour and as material
            EXPECT_FLOAT_EQ(s.colour[0], 0.8f);
            EXPECT_FLOAT_EQ(s.colour[1], 0.4f);
            EXPECT_FLOAT_EQ(s.colour[2], 0.2f);
            EXPECT_FLOAT_EQ(s.colour[3], c.colourAlpha);
            EXPECT_FLOAT_EQ(s.diffuse[3], c.colourAlpha);
            EXPECT_FLOAT_EQ(m.GetAlpha(), c.colourAlpha);
        } else {
            EXPECT_FLOAT_EQ(s.colour[1], 1.0f); // the current colour is left alone
        }
        m.Unapply();
        EXPECT_FALSE(glIsEnabled(GL_BLEND) == GL_TRUE && c.colourAlpha >= 0.0f);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    // colour material without alpha stays on, tracking ambient and diffuse
    CGLmaterial opaque(ambient, diffuse, specular, 20.0f, 128.0f, 0.0f, 0.0f);
    opaque.Apply(true, 0.0f);
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    GLint mode = 0;
    glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &mode);
    EXPECT_EQ(mode, GL_AMBIENT_AND_DIFFUSE);
    opaque.Unapply();
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
}

} // namespace
