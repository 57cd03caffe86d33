// The loading picture, shown once while the scene is created.
#include "app/scene/GLscene.h"
#include "app/scene/SceneRules.h"
#include "engine/gl/GLcontext.h"
#include "foundation/image/Dib.h"
#include "platform/GL.h"

void CGLscene::DrawSplash()
{
    CGLcamera& view = m_views[0];
    const int W = view.GetWidth(), H = view.GetHeight();
    CDib picture;
    picture.Load("Map//Splash.bmp");
    const int bits = picture.GetBitCount();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SplashRect r;
    if (picture.GetBits() && (bits == 24 || bits == 32) && FitSplash(W, H, picture.GetWidth(), picture.GetHeight(), r)) {
        view.SetProjectionMode();
        glPushMatrix();
        glLoadIdentity();
        view.Ortho2D();
        view.SetModelViewMode();
        glPushMatrix();
        glLoadIdentity();

        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        GLint alignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1); // rows are not padded
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, picture.GetWidth(), picture.GetHeight(), 0,
                     bits == 24 ? GL_BGR : GL_BGRA, GL_UNSIGNED_BYTE, picture.GetBits());
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);

        // memory rows run top to bottom in a top-down picture, else bottom to top
        const bool topDown = picture.GetBitmapInfo()->bmiHeader.biHeight < 0;
        const float top = topDown ? 0.0f : 1.0f, bottom = 1.0f - top;
        const float x0 = float(r.x), y0 = float(r.y), x1 = float(r.x + r.width), y1 = float(r.y + r.height);
        GLboolean depth = glIsEnabled(GL_DEPTH_TEST), lighting = glIsEnabled(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        // the picture as it is, not through the default doubling combiner
        GLint envMode = GL_MODULATE;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, top);
        glVertex2f(x0, y0);
        glTexCoord2f(0.0f, bottom);
        glVertex2f(x0, y1);
        glTexCoord2f(1.0f, bottom);
        glVertex2f(x1, y1);
        glTexCoord2f(1.0f, top);
        glVertex2f(x1, y0);
        glEnd();
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, envMode);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        if (depth)
            glEnable(GL_DEPTH_TEST);
        if (lighting)
            glEnable(GL_LIGHTING);

        glPopMatrix();
        view.SetProjectionMode();
        glPopMatrix();
        view.SetModelViewMode();
        glDeleteTextures(1, &texture);
    }
    CGLcontext::SwapBuffers();
}
