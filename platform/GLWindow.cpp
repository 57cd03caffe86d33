#include "platform/GLWindow.h"
#include "platform/WindowPlacement.h"

#include <QEvent>

namespace platform {

QSurfaceFormat DefaultGLFormat()
{
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setProfile(QSurfaceFormat::CompatibilityProfile);
    f.setOption(QSurfaceFormat::DeprecatedFunctions);
    f.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    f.setRedBufferSize(8);
    f.setGreenBufferSize(8);
    f.setBlueBufferSize(8);
    f.setDepthBufferSize(24);
    f.setStencilBufferSize(8);
    f.setSwapInterval(0);
    return f;
}

GLWindow::GLWindow(QWindow* parent) : QWindow(parent)
{
    setSurfaceType(QSurface::OpenGLSurface);
    setFormat(DefaultGLFormat());
    // a QWindow keeps no normal geometry: the placement of a maximised window needs it
    RememberNormalGeometry(*this);
}

bool GLWindow::event(QEvent* e)
{
    if (m_handler && m_handler(e))
        return true;
    return QWindow::event(e);
}

GLRenderContext::~GLRenderContext() { Release(); }

bool GLRenderContext::Create(QSurface* surface, const QSurfaceFormat& format)
{
    Release();
    m_surface = surface;
    m_context = std::make_unique<QOpenGLContext>();
    m_context->setFormat(format);
    if (auto* share = QOpenGLContext::globalShareContext())
        m_context->setShareContext(share);
    if (!m_context->create()) {
        m_context.reset();
        return false;
    }
    return true;
}

bool GLRenderContext::MakeCurrent()
{
    return m_context && m_surface && m_context->makeCurrent(m_surface);
}

void GLRenderContext::DoneCurrent()
{
    if (m_context)
        m_context->doneCurrent();
}

void GLRenderContext::SwapBuffers()
{
    if (m_context && m_surface)
        m_context->swapBuffers(m_surface);
}

void GLRenderContext::Release()
{
    if (m_context) {
        if (QOpenGLContext::currentContext() == m_context.get())
            m_context->doneCurrent();
        m_context.reset();
    }
    m_surface = nullptr;
}

void* GetGLProcAddress(const char* name)
{
    auto* ctx = QOpenGLContext::currentContext();
    if (!ctx)
        return nullptr;
    return reinterpret_cast<void*>(ctx->getProcAddress(name));
}

} // namespace platform
