#pragma once
#include "platform/GLWindow.h"

#include <cstdint>

// True when a GL context is current on the calling thread.
bool GLContextIsCurrent();

// The OpenGL set-up of the main window. Constructed on the GUI thread (fills the
// trig tables); everything else runs on the render thread, which owns the context.
class CGLcontext {
public:
    CGLcontext();
    ~CGLcontext() = default;
    CGLcontext(const CGLcontext&) = delete;
    CGLcontext& operator=(const CGLcontext&) = delete;

    static void InitTables();
    // The surface format to set on the window before it is created: RGBA with no
    // alpha, double buffered, depth and stencil, compatibility profile.
    static QSurfaceFormat PixelFormat();

    // Creates the context on the surface, makes it current, presents one black
    // frame, logs the renderer and version and sets the default state.
    // False (nothing logged) for a null surface, or when the context cannot be set up.
    bool InitGL(QSurface* surface);
    bool CreateContext(QSurface* surface);
    // Swap interval 1 or 0 when the window system offers swap control.
    void SetVSync(bool on);
    // Ends the context at the render thread's end (on that thread).
    void Release();
    // The default state of InitGL again.
    void ResetState();
    // Clear colour from a 0x00BBGGRR value, alpha 0.
    void SetClearColor(uint32_t colour);

    // Presents the current context's surface.
    static void SwapBuffers();
    platform::GLRenderContext& Context() { return m_context; }

private:
    platform::GLRenderContext m_context;
};
