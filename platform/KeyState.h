#pragma once

namespace platform {

// Virtual-key codes of the keys whose left and right sides are told apart.
namespace vkside {
enum : int { kLShift = 0xA0, kRShift = 0xA1, kLControl = 0xA2, kRControl = 0xA3 };
}

// Which keys are held down now, readable from any thread (the render thread
// asks while a script runs). Fed by the GUI thread from the key events of every
// window of the program once TrackKeyStates has run; forgotten when the program
// loses the keyboard.
bool IsKeyHeld(int virtualKey);
void SetKeyHeld(int virtualKey, bool down);
void ClearKeysHeld();
// Installs the feeding on the GUI thread; later calls do nothing.
void TrackKeyStates();

} // namespace platform
