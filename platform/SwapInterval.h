#pragma once

namespace platform {

// Sets the swap interval of the GL context current on this thread through the
// window system's swap-control extension, looked up on every call (GLX
// EXT/MESA swap control, or EGL). False when no context is current or the
// extension is missing; nothing is changed then.
bool SetSwapInterval(int interval);

} // namespace platform
