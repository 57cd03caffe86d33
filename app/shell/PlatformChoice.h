#pragma once

namespace shell {

// The Qt platform the program asks for before the application object is made:
// "xcb" unless the user chose one, with a non-empty QT_QPA_PLATFORM
// (`environment`, null when unset) or a "-platform" / "--platform" argument.
// The program needs X11: the panel placed beside the window, pointer warping,
// raw motion. Null when the user's choice stands.
const char* ChooseQtPlatform(int argc, const char* const* argv, const char* environment);

} // namespace shell
