// Kept apart from every Qt header: the X11 headers define macros Qt also uses.
#include "platform/SwapInterval.h"

#include <epoxy/egl.h>
#include <epoxy/glx.h>

namespace platform {

bool SetSwapInterval(int interval)
{
    if (interval < 0)
        return false;
    Display* display = glXGetCurrentDisplay();
    if (display && glXGetCurrentContext()) {
        const int screen = DefaultScreen(display);
        if (epoxy_has_glx_extension(display, screen, "GLX_EXT_swap_control")) {
            const GLXDrawable drawable = glXGetCurrentDrawable();
            if (!drawable)
                return false;
            glXSwapIntervalEXT(display, drawable, interval);
            return true;
        }
        if (epoxy_has_glx_extension(display, screen, "GLX_MESA_swap_control"))
            return glXSwapIntervalMESA(static_cast<unsigned>(interval)) == 0;
        return false;
    }
    const EGLDisplay eglDisplay = eglGetCurrentDisplay();
    if (eglDisplay != EGL_NO_DISPLAY && eglGetCurrentContext() != EGL_NO_CONTEXT)
        return eglSwapInterval(eglDisplay, interval) == EGL_TRUE;
    return false;
}

} // namespace platform
