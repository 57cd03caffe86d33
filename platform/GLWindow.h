#pragma once
#include "platform/GL.h"

#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWindow>
#include <functional>
#include <memory>

namespace platform {

// Double buffer, depth 24, stencil 8, compatibility profile with the deprecated
// (fixed-function) entry points.
QSurfaceFormat DefaultGLFormat();

// A top-level window with an OpenGL surface. Events go to one handler, which
// returns true when it consumed them.
class GLWindow : public QWindow {
public:
    explicit GLWindow(QWindow* parent = nullptr);
    void SetEventHandler(std::function<bool(QEvent*)> handler) { m_handler = std::move(handler); }

protected:
    bool event(QEvent* e) override;

private:
    std::function<bool(QEvent*)> m_handler;
};

// A GL context for one thread: created, made current and swapped on the thread
// that uses it (the render thread); it never touches the window otherwise.
class GLRenderContext {
public:
    GLRenderContext() = default;
    ~GLRenderContext();
    GLRenderContext(const GLRenderContext&) = delete;
    GLRenderContext& operator=(const GLRenderContext&) = delete;

    bool Create(QSurface* surface, const QSurfaceFormat& format = DefaultGLFormat());
    bool MakeCurrent();
    void DoneCurrent();
    void SwapBuffers();
    void Release();
    QOpenGLContext* Context() const { return m_context.get(); }
    bool IsValid() const { return m_context && m_context->isValid(); }

private:
    std::unique_ptr<QOpenGLContext> m_context;
    QSurface* m_surface = nullptr;
};

// Looks up a GL entry point of the current context (nullptr when none).
void* GetGLProcAddress(const char* name);

} // namespace platform
