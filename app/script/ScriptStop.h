#pragma once

// Process-wide stop request for running scripts. The shell sets it on every path
// that stops the render thread; while it is set, any running Lua code ends with
// a run-time error at its next instruction-count check, so an endless loop in a
// script cannot keep the program from closing.
void RequestScriptStop(bool stop);
bool IsScriptStopRequested();
