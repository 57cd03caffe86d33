#pragma once
#include <functional>

namespace platform {

// Must be called once on the GUI thread after the application object exists.
void InitGuiDispatcher();
// Queues a callable to run on the GUI thread; never blocks the caller.
// Returns false when no dispatcher exists (the callable is dropped).
bool PostToGui(std::function<void()> fn);
bool IsGuiThread();

} // namespace platform
