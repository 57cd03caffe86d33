#include "engine/gl/GLcontext.h"
#include "platform/GL.h"
#include "platform/SwapInterval.h"

#include "foundation/core/Versions.h"
#include "foundation/math/Tables.h"

#include <QOpenGLContext>

namespace {
const char* GLText(GLenum name)
{
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}
} // namespace

bool GLContextIsCurrent() { return QOpenGLContext::currentContext() != nullptr; }

CGLcontext::CGLcontext() { InitTables(); }

void CGLcontext::InitTables() { InitTrigTables(); }

QSurfaceFormat CGLcontext::PixelFormat()
{
    QSurfaceFormat f = platform::DefaultGLFormat();
    f.setAlphaBufferSize(0);
    return f;
}

bool CGLcontext::CreateContext(QSurface* surface)
{
    if (!surface->supportsOpenGL() || !surface->surfaceHandle())
        return CVersions::Print(false, "PixelFormat konnte nicht gesetzt werden!");
    if (!m_context.Create(surface, PixelFormat()) || !m_context.MakeCurrent()) {
        m_context.Release();
        return CVersions::Print(false, "OpenGL-Kontext konnte nicht erstellt werden!");
    }
    if (epoxy_gl_version() == 0 || !epoxy_is_desktop_gl()) {
        m_context.Release();
        return CVersions::Print(false, "GLAD konnte nicht initialisiert werden!");
    }
    CVersions::Print(true, "GL Version: %s\n", GLText(GL_VERSION));
    CVersions::Print(true, "GL Renderer: %s\n", GLText(GL_RENDERER));
    return true;
}

bool CGLcontext::InitGL(QSurface* surface)
{
    if (!surface || !CreateContext(surface))
        return false;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    m_context.SwapBuffers();
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (renderer && version) {
        CVersions::Print(true, "GL Renderer: %s\n", renderer);
        CVersions::Print(true, "GL Version:  %s\n", version);
    }
    ResetState();
    return true;
}

void CGLcontext::ResetState()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_MULTISAMPLE);
    glDisable(GL_COLOR_MATERIAL);
    glLineWidth(1.0f);
    glClearStencil(0);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_DEPTH_TEST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_RGB_SCALE, 2);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void CGLcontext::SetVSync(bool on) { platform::SetSwapInterval(on ? 1 : 0); }

void CGLcontext::Release() { m_context.Release(); }

void CGLcontext::SetClearColor(uint32_t colour)
{
    glFlush();
    glFinish();
    glClearColor(float(colour & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
                 float((colour >> 16) & 0xFF) / 255.0f, 0.0f);
}

void CGLcontext::SwapBuffers()
{
    if (auto* ctx = QOpenGLContext::currentContext())
        if (auto* surface = ctx->surface())
            ctx->swapBuffers(surface);
}
